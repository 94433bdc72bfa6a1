// The floor for start-up figures: a Qt Widgets window of the player's size with nothing in it.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal Qt Window"));
    window.resize(1000, 680);
    window.show();
    return QApplication::exec();
}
