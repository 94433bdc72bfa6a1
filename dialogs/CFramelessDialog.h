#pragma once

#include <QDialog>
#include <QPoint>
#include <functional>

// The base of the program's own modal dialogs: no frame (so no title bar to move it by), a
// real dialog for the window manager (it takes the keyboard), and moved by dragging its body
// with the left button.
class CFramelessDialog : public QDialog {
    Q_OBJECT
public:
    CFramelessDialog();

    // Runs the dialog modally. A queued answerer (below) is called once the dialog is up.
    int exec() override;

    // Tests answer a dialog before it appears: the next exec() of any of these dialogs hands
    // itself to the first queued function, from inside its own event loop.
    using Answerer = std::function<void(CFramelessDialog *)>;
    static void AnswerNext(Answerer answerer);
    static bool HasQueuedAnswers();

    QPoint DragOffset; // mouse position relative to the frame's top-left corner while dragging

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
};
