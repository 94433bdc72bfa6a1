#pragma once

#include <QDialog>
#include <QPoint>

// The program's own small modal message window: frameless, 400 x 180, title strip, icon,
// word-wrapped message and OK. It is moved by dragging its body; a right click closes it.
class CMessageBox : public QDialog {
    Q_OBJECT
public:
    CMessageBox();

    void ShowInformation(const QString &message);

    QPoint DragOffset;
    int Answer = 1; // 0 OK, 1 not OK

public slots:
    void btnSlotOK();
    void btnSlotNO();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
