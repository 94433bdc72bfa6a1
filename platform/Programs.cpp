#include "platform/Programs.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

namespace platform {

QString PlayerProgram() {
    const QFileInfo beside(QCoreApplication::applicationDirPath() + QStringLiteral("/Player"));
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStringLiteral("mplayer");
}

QString ProbeProgram(const QString &appDataFolder) {
    const QString copy = appDataFolder + QStringLiteral("tool.exe");
    if (QFile::exists(copy))
        return copy;
    return QStringLiteral("ffprobe");
}

void CopyProbeIfMissing(const QString &appDir, const QString &appDataFolder) {
    const QString source = appDir + QStringLiteral("/tool");
    const QString destination = appDataFolder + QStringLiteral("tool.exe");
    if (QFile::exists(destination) || !QFile::exists(source))
        return;
    // QFile::copy keeps the permissions, so the copy stays executable.
    QFile::copy(source, destination);
}

void TieChildToParent(QProcess &process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

} // namespace platform
