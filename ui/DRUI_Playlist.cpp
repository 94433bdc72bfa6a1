#include "ui/DRUI.h"

#include "dialogs/Styles.h"
#include "dialogs/UiText.h"
#include "platform/Programs.h"
#include "player/Clock.h"
#include "player/PlayerArgs.h"
#include "playlist/PlaylistSteps.h"
#include "playlist/ProbeBatch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>

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

namespace {

// While files are probed the window keeps painting, but what the user clicks or types then
// is dropped, not queued: it was aimed at a window that had not caught up yet.
class InputDropper : public QObject {
public:
    InputDropper() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputDropper() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        case QEvent::Close:
            // Closing would end the event loop the probes are awaited in.
            event->ignore();
            return true;
        default:
            return false;
        }
    }
};

} // namespace

QStringList DRUI::ProbeLengths(const QStringList &paths) {
    ProbeBatch batch(platform::ProbeProgram(AppDataFolder), paths, ParallelProbes());
    InputDropper dropper;
    QEventLoop loop;
    connect(&batch, &ProbeBatch::Finished, &loop, &QEventLoop::quit);
    // Quick adds show nothing; a long one shows how far it got.
    QTimer slow;
    slow.setSingleShot(true);
    connect(&slow, &QTimer::timeout, this,
            [this, &batch] { ShowProbeProgress(batch.DoneCount(), batch.Total()); });
    connect(&batch, &ProbeBatch::Progress, this, [this](int done, int total) {
        if (ProbeProgressLabel && ProbeProgressLabel->isVisible())
            ShowProbeProgress(done, total);
    });
    slow.start(ProbeProgressDelayMs);
    batch.Start();
    if (!batch.IsFinished())
        loop.exec();
    if (ProbeProgressLabel)
        ProbeProgressLabel->hide();
    // Only a quitting application ends the loop early: its lengths are not all known.
    if (!batch.IsFinished())
        return QStringList();
    return batch.Lengths();
}

void DRUI::ShowProbeProgress(int done, int total) {
    if (!ProbeProgressLabel) {
        ProbeProgressLabel = new QLabel(this);
        ProbeProgressLabel->setObjectName(QStringLiteral("ProbeProgressLabel"));
        ProbeProgressLabel->setAlignment(Qt::AlignCenter);
        ProbeProgressLabel->setFont(ui::CalibriFont(14));
        ProbeProgressLabel->setStyleSheet(styles::ProgressBadge());
    }
    ProbeProgressLabel->setText(QStringLiteral("%1 / %2").arg(done).arg(total));
    ProbeProgressLabel->adjustSize();
    const QSize size = ProbeProgressLabel->size().expandedTo(QSize(140, 48));
    ProbeProgressLabel->setGeometry(
        QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
    ProbeProgressLabel->raise();
    ProbeProgressLabel->show();
}

void DRUI::PlayListAddFiles(const QStringList &paths) {
    // Input is dropped while probing, but a request from outside (another instance, the
    // desktop) could still arrive: one batch at a time.
    if (paths.isEmpty() || ProbingFiles)
        return;
    ProbingFiles = true;
    const QStringList lengths = ProbeLengths(paths);
    ProbingFiles = false;
    if (lengths.size() != paths.size())
        return;
    QList<PLAY_LIST_INFO> added;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString &path = paths[i];
        const bool listed = IsListed(PlayList, path);
        const bool repeated = IsListed(added, path);
        PLAY_LIST_INFO entry;
        entry.Kind = MediaKind::File;
        entry.Path = path;
        entry.Length = lengths[i];
        // Each path is judged on its own: a batch with one listed path must neither skip
        // the new ones nor list the old one twice.
        if (!listed && !repeated)
            added.append(entry);
    }
    PlayPath = paths.first();
    MediaDuration = ParseClock(lengths.first().toLatin1());
    PlayListAppend(added);
    SourceKind = MediaKind::File;
    SourceKey.clear();
    VideoPlay();
}

void DRUI::PlayListItemDoubleClick(int row, int column) {
    QTableWidgetItem *item = PlaylistPanel->item(row, column);
    if (!item)
        return;
    StopBtn();
    const PLAY_LIST_INFO entry = item->data(Qt::UserRole).value<PLAY_LIST_INFO>();
    if (entry.Kind == MediaKind::File)
        PlayListAddFiles({entry.Path});
    else
        OpenFolderSource(entry.Path);
}

void DRUI::PlayNext() {
    ResumePlay();
    if (!Session->HasPlayer())
        return;
    if (SourceKind == MediaKind::Bluray)
        StepChapter(true);
    else
        StepPlaylist(+1);
}

void DRUI::PlayPre() {
    ResumePlay();
    if (!Session->HasPlayer())
        return;
    if (SourceKind == MediaKind::Bluray)
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
    if (entry.Kind == MediaKind::File)
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
    Session->Seek(*target);
}
