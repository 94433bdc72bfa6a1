#include "app/StartUp.h"

#include "app/LogHandler.h"
#include "platform/DisplayPlatform.h"
#include "platform/KeepAwake.h"
#include "platform/SingleInstance.h"
#include "ui/DRUI.h"
#include "ui/DecodedPicture.h"

#include <QApplication>

int RunApplication(int argc, char **argv) {
    platform::PreferXcbUnderWayland();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    qInstallMessageHandler(LogMessageHandler);
    // The start page's picture decodes on another core while the window is built.
    ui::PrefetchPicture(QStringLiteral(":/image/bg.jpg"));

    platform::SingleInstance instance(QStringLiteral("Tavrell_DVD_Player_2019_For_Windows"));
    if (!instance.becomePrimary()) {
        instance.notifyPrimary();
        return 0;
    }

    platform::InhibitScreenSaver();

    {
        DRUI window;
        window.InitWindow();
        QObject::connect(&instance, &platform::SingleInstance::showRequested, &window, [&window] {
            window.showNormal();
            window.raise();
            window.activateWindow();
        });
        window.show();
        QApplication::exec();
    }
    return 0;
}
