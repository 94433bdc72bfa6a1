#include "dialogs/CFramelessDialog.h"

#include <QList>
#include <QMouseEvent>
#include <QTimer>

namespace {

QList<CFramelessDialog::Answerer> &Answerers() {
    static QList<CFramelessDialog::Answerer> queue;
    return queue;
}

} // namespace

CFramelessDialog::CFramelessDialog() : QDialog(nullptr) {
    // A real dialog, not a tool tip: it must take keyboard focus and stay with the window
    // manager's stacking.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
}

int CFramelessDialog::exec() {
    if (!Answerers().isEmpty()) {
        Answerer answer = Answerers().takeFirst();
        QTimer::singleShot(0, this, [this, answer] { answer(this); });
    }
    return QDialog::exec();
}

void CFramelessDialog::AnswerNext(Answerer answerer) {
    Answerers().append(std::move(answerer));
}

bool CFramelessDialog::HasQueuedAnswers() {
    return !Answerers().isEmpty();
}

void CFramelessDialog::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        DragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
    }
}

void CFramelessDialog::mouseMoveEvent(QMouseEvent *event) {
    if (event->buttons() == Qt::LeftButton) {
        move(event->globalPosition().toPoint() - DragOffset);
        event->accept();
    }
}
