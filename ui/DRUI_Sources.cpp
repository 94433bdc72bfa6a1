#include "ui/DRUI.h"

#include "dialogs/CMessageBox.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/UiText.h"
#include "lang/CLanguageTable.h"
#include "platform/CommandLine.h"
#include "player/PlayerArgs.h"
#include "playlist/PlaylistSteps.h"
#include "sources/FolderSource.h"

#include <QFileInfo>

namespace {

const QString kMediaFilter = QStringLiteral(
    "*.rmvb *.rm *.mpeg *.mov *.avi *.wmv *.asf *.mp4 *.flv *.fla *.swf *.m4v *.3gp *.dv *.3g2 "
    "*.m4b *.mkv *.mts *.divx *.ogm *.moi *.vob *.ajp *.f4v *.mqv *.svi *.vid *.tod *.hdmov "
    "*.mod *.mxf *.m2ts *.lrv ;;All File(*.*)");

} // namespace

void DRUI::btnOpenFile() {
    PlayListAddFiles(dialogs::AskOpenFiles(this, QStringLiteral("."), kMediaFilter));
}

void DRUI::btnLoadBDPath() {
    OpenFolderSource(dialogs::AskFolder(this));
}

void DRUI::OpenFolderSource(const QString &path) {
    if (path.isNull())
        return;
    StopBtn();
    switch (ClassifyFolder(path)) {
    case FolderKind::Bluray:
        OpenBlurayFolder(path);
        break;
    case FolderKind::Dvd:
        OpenDvdFolder(path);
        break;
    case FolderKind::Refused:
        ShowRefusal();
        break;
    }
}

void DRUI::OpenPath(const QString &path) {
    if (QFileInfo(path).isDir())
        OpenFolderSource(path);
    else
        PlayListAddFiles({path});
}

void DRUI::OpenHandedPaths(const QStringList &paths) {
    // Opening inside a dialog's loop could stack dialogs without end, and a queue would open
    // them at a moment nobody chose: the paths are dropped (a later start still raises us).
    if (RemoteReadiness() != Readiness::Ready)
        return;
    const platform::OpenPlan plan = platform::PlanOpening(paths);
    if (!plan.folder.isEmpty())
        OpenFolderSource(plan.folder);
    else
        PlayListAddFiles(plan.files);
}

void DRUI::ShowRefusal() {
    ShowInformation(ui::Caption("Messages/MSG0102"));
}

void DRUI::ShowInformation(const QString &message) {
    CMessageBox box;
    box.setGeometry(x() + width() / 3, y() + height() / 3, 400, 180);
    box.ShowInformation(message);
    box.exec();
}

void DRUI::OpenDvdFolder(const QString &path) {
    const bool listed = IsListed(PlayList, path);
    PLAY_LIST_INFO entry;
    entry.Kind = MediaKind::Dvd;
    entry.Path = path;
    // Empty so that choosing the same folder again restarts it instead of toggling pause.
    CurrentPath.clear();
    PlayPath = path;
    MediaDuration = 0;
    if (!listed)
        PlayListAppend({entry});
    SourceKind = MediaKind::Dvd;
    VideoPlay();
}
