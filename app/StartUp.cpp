#include "app/StartUp.h"

#include "app/LogHandler.h"
#include "platform/DisplayPlatform.h"
#include "platform/KeepAwake.h"
#include "platform/Mpris.h"
#include "platform/QuitSignals.h"
#include "platform/SingleInstance.h"
#include "ui/DRUI.h"
#include "ui/DecodedPicture.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <memory>

int RunApplication(int argc, char **argv) {
    platform::PreferXcbUnderWayland();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    qInstallMessageHandler(LogMessageHandler);
    platform::QuitOnTerminationSignals();
    platform::SingleInstance instance(QStringLiteral("Tavrell_DVD_Player_2019_For_Windows"));
    if (!instance.becomePrimary()) {
        instance.notifyPrimary();
        return 0;
    }
    int code = 0;
    {
        DRUI window;
        // Mapped first, built while the display server maps it: the first paint comes after
        // the build either way and holds the whole window.
        window.show();
        QGuiApplication::sync();
        // The start page's picture decodes on the other core while the window is built.
        ui::PrefetchPicture(QStringLiteral(":/image/bg.jpg"));
        window.InitWindow();
        QObject::connect(&instance, &platform::SingleInstance::showRequested, &window, [&window] {
            window.showNormal();
            window.raise();
            window.activateWindow();
        });
        // These wait on other processes (the session bus, the X server taking a large icon):
        // they come once the window is on the screen. Media keys and the desktop's player
        // controls need a session bus; without one there are none.
        std::unique_ptr<platform::Mpris> remote;
        QTimer::singleShot(0, &window, [&window, &remote] {
            platform::InhibitScreenSaver();
            window.setWindowIcon(QIcon(QStringLiteral(":/image/logo.ico")));
            remote = std::make_unique<platform::Mpris>(window.Session, &window);
            remote->Register();
        });
        // A signal taken while starting may have found no loop to end.
        code = platform::TerminationExitCode();
        if (code == 0)
            code = QApplication::exec();
    }
    return code;
}
