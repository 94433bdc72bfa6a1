#pragma once

#include "dialogs/CFramelessDialog.h"

// The program's own small modal message window: frameless, 400 x 180, title strip, icon,
// word-wrapped message and OK. It is moved by dragging its body; a right click closes it.
class CMessageBox : public CFramelessDialog {
    Q_OBJECT
public:
    CMessageBox();

    void ShowInformation(const QString &message);

    int Answer = 1; // 0 OK, 1 not OK

public slots:
    void btnSlotOK();
    void btnSlotNO();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
