#include "dialogs/CMessageBox.h"

#include "dialogs/Styles.h"
#include "dialogs/UiText.h"
#include "lang/CLanguageTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

CMessageBox::CMessageBox() {
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(ui::Caption("MainWnd/FreeTitle"));
    setWindowIcon(QIcon(QStringLiteral(":/image/logo.ico")));
    setFixedSize(400, 180);
    resize(400, 180);
    Answer = 1;
}

void CMessageBox::ShowInformation(const QString &message) {
    const QFont font = ui::CalibriFont(12);
    const int w = width();

    auto *titleStrip = new QLabel(this);
    titleStrip->setObjectName(QStringLiteral("TitleStrip"));
    titleStrip->setMinimumSize(w, 20);
    titleStrip->setStyleSheet(styles::TitleStrip());
    auto *heading = new QLabel(QStringLiteral("  ") + ui::Caption("Messages/MSG0403"), titleStrip);
    heading->setObjectName(QStringLiteral("Heading"));
    heading->setGeometry(0, 5, 400, 20);
    heading->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    heading->setFont(font);
    heading->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    auto *titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(0, 0, 0, 0);
    titleRow->setSpacing(0);
    titleRow->addWidget(titleStrip);

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Icon"));
    icon->setPixmap(QPixmap(QStringLiteral(":/image/information.png")));
    icon->setAlignment(Qt::AlignCenter);
    auto *text = new QLabel(message, this);
    text->setObjectName(QStringLiteral("Message"));
    text->setStyleSheet(QStringLiteral("color: black;"));
    text->setFont(font);
    text->setMinimumSize(w - 79, 60);
    text->setWordWrap(true);
    auto *messageRow = new QHBoxLayout;
    messageRow->setContentsMargins(5, 0, 0, 0);
    messageRow->addWidget(icon);
    messageRow->addWidget(text);

    auto *buttonStrip = new QLabel(this);
    buttonStrip->setObjectName(QStringLiteral("ButtonStrip"));
    buttonStrip->setMinimumSize(w, 40);
    buttonStrip->setStyleSheet(styles::DialogButtonStrip());
    auto *ok = new QPushButton(ui::Caption("MainWnd/OK"), buttonStrip);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setFlat(true);
    ok->setFont(font);
    ok->setCursor(Qt::PointingHandCursor);
    ok->setStyleSheet(styles::DialogButton());
    ok->setGeometry(w / 3, 5, 80, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CMessageBox::btnSlotOK);

    auto *rest = new QVBoxLayout;
    rest->setContentsMargins(0, 0, 0, 0);
    rest->addLayout(messageRow);
    rest->addWidget(buttonStrip);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(20);
    outer->addLayout(titleRow);
    outer->addLayout(rest);
    setStyleSheet(QStringLiteral("QDialog{background-color: rgb(245, 246, 248);}"));
}

void CMessageBox::btnSlotOK() {
    Answer = 0;
    close();
}

void CMessageBox::btnSlotNO() {
    Answer = 1;
    close();
}

void CMessageBox::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::RightButton)
        close();
    else
        CFramelessDialog::mousePressEvent(event);
}

void CMessageBox::mouseMoveEvent(QMouseEvent *event) {
    CFramelessDialog::mouseMoveEvent(event);
}

void CMessageBox::paintEvent(QPaintEvent *event) {
    // The look comes from the style sheets.
    QDialog::paintEvent(event);
}
