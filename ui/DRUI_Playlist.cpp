#include "ui/DRUI.h"

#include "platform/Programs.h"
#include "player/Clock.h"
#include "player/PlayerArgs.h"
#include "player/SlaveCommands.h"
#include "playlist/PlaylistSteps.h"
#include "playlist/Probe.h"
#include "ui/Styles.h"
#include "ui/UiText.h"

#include <QHeaderView>
#include <QTableWidget>

QTableWidget *DRUI::BuildPlayListPanel() {
    auto *table = new QTableWidget;
    table->setObjectName(QStringLiteral("PlaylistPanel"));
    table->setMouseTracking(true);
    table->setColumnCount(1);
    table->setColumnWidth(0, 200);
    table->horizontalHeader()->setMaximumHeight(0);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setHighlightSections(false);
    table->verticalHeader()->hide();
    table->setStyleSheet(styles::PlaylistTable());
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(table, &QTableWidget::cellDoubleClicked, this, &DRUI::PlayListItemDoubleClick);
    return table;
}

void DRUI::PlayListAppend(const QList<PLAY_LIST_INFO> &entries) {
    if (entries.isEmpty())
        return;
    int row = PlaylistPanel->rowCount();
    PlaylistPanel->setRowCount(row + int(entries.size()));
    const QFont font = ui::CalibriFont(10);
    for (const PLAY_LIST_INFO &entry : entries) {
        auto *item = new QTableWidgetItem(PlayListRowText(entry.Path));
        item->setFont(font);
        item->setForeground(Qt::white);
        item->setData(Qt::UserRole, QVariant::fromValue(entry));
        PlaylistPanel->setItem(row, 0, item);
        PlaylistPanel->setRowHeight(row, 20);
        PlayList.append(entry);
        ++row;
    }
    PlaylistPanel->setRowCount(row);
}

void DRUI::PlayListAddFiles(const QStringList &paths) {
    if (paths.isEmpty())
        return;
    const QString probe = platform::ProbeProgram(AppDataFolder);
    QList<PLAY_LIST_INFO> added;
    QString firstPath;
    QString firstLength;
    for (const QString &path : paths) {
        const bool listed = IsListed(PlayList, path);
        const bool repeated = IsListed(added, path);
        PLAY_LIST_INFO entry;
        entry.Kind = SourceFile;
        entry.Path = path;
        entry.Length = ProbeLength(probe, path);
        if (firstPath.isNull()) {
            firstPath = path;
            firstLength = entry.Length;
        }
        // Each path is judged on its own: a batch with one listed path must neither skip
        // the new ones nor list the old one twice.
        if (!listed && !repeated)
            added.append(entry);
    }
    PlayPath = firstPath;
    MediaDuration = ParseClock(firstLength.toLatin1());
    PlayListAppend(added);
    SourceKind = SourceFile;
    SourceKey.clear();
    VideoPlay();
}

void DRUI::PlayListItemDoubleClick(int row, int column) {
    QTableWidgetItem *item = PlaylistPanel->item(row, column);
    if (!item)
        return;
    StopBtn();
    const PLAY_LIST_INFO entry = item->data(Qt::UserRole).value<PLAY_LIST_INFO>();
    if (entry.Kind == SourceDvd || entry.Kind == SourceBluray)
        OpenFolderSource(entry.Path);
    else
        PlayListAddFiles({entry.Path});
}

void DRUI::PlayNext() {
    ResumePlay();
    if (!PlayerProcess)
        return;
    if (SourceKind == SourceBluray)
        StepChapter(true);
    else
        StepPlaylist(+1);
}

void DRUI::PlayPre() {
    ResumePlay();
    if (!PlayerProcess)
        return;
    if (SourceKind == SourceBluray)
        StepChapter(false);
    else
        StepPlaylist(-1);
}

void DRUI::StepPlaylist(int step) {
    const std::optional<int> row = NeighbourEntry(PlayList, PlayPath, step);
    if (!row)
        return;
    const PLAY_LIST_INFO entry = PlayList[*row];
    StopBtn();
    if (entry.Kind < SourceDvd)
        PlayListAddFiles({entry.Path});
    else
        OpenFolderSource(entry.Path);
}

void DRUI::StepChapter(bool forward) {
    if (!ChaptersByKey.contains(SourceKey))
        return;
    const QList<int> &starts = ChaptersByKey[SourceKey];
    const qint64 position = PositionText.toLongLong();
    const std::optional<int> target =
        forward ? NextChapterSecond(starts, position) : PreviousChapterSecond(starts, position);
    if (!target)
        return;
    // The slider and labels follow with the next position answer.
    SendCommand(slave::Seek(*target));
    PositionMs = qint64(*target) * 1000;
}
