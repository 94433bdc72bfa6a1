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
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
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
// is dropped, not queued: it was aimed at a window that had not caught up yet. Only the
// badge's Cancel, Escape and closing the window go through.
class InputDropper : public QObject {
public:
    InputDropper(QObject *window, std::function<void()> cancel, std::function<void()> abandon)
        : m_window(window), m_cancel(std::move(cancel)), m_abandon(std::move(abandon)) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputDropper() override { QCoreApplication::instance()->removeEventFilter(this); }

    QPointer<QWidget> CancelButton;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return !ForCancel(watched, static_cast<QMouseEvent *>(event));
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                m_cancel();
            return true;
        case QEvent::Wheel:
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
            // The program ends: nothing is added, and the probes are stopped.
            if (watched == m_window)
                m_abandon();
            return false;
        default:
            return false;
        }
    }

private:
    // The button's own events, and its window's on their way to it.
    bool ForCancel(QObject *watched, QMouseEvent *event) const {
        if (!CancelButton || !CancelButton->isVisible())
            return false;
        if (watched == CancelButton)
            return true;
        const QPoint at = CancelButton->mapFromGlobal(event->globalPosition().toPoint());
        return watched->isWindowType() && CancelButton->rect().contains(at);
    }

    QObject *m_window;
    std::function<void()> m_cancel;
    std::function<void()> m_abandon;
};

} // namespace

QList<std::optional<QString>> DRUI::ProbeLengths(const QStringList &paths) {
    ProbeBatch batch(platform::ProbeProgram(AppDataFolder), paths, ParallelProbes());
    QEventLoop loop;
    bool abandoned = false;
    InputDropper dropper(
        this, [&batch] { batch.Cancel(); },
        [&loop, &abandoned] {
            abandoned = true;
            loop.quit();
        });
    connect(&batch, &ProbeBatch::Finished, &loop, &QEventLoop::quit);
    // Quick adds show nothing; a long one shows how far it got, and offers to stop there.
    QTimer slow;
    slow.setSingleShot(true);
    connect(&slow, &QTimer::timeout, this, [this, &batch, &dropper] {
        ShowProbeProgress(batch.DoneCount(), batch.Total());
        dropper.CancelButton = ProbeCancelButton;
        connect(ProbeCancelButton, &QPushButton::clicked, &batch, &ProbeBatch::Cancel,
                Qt::UniqueConnection);
    });
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
    // A quitting application ends the loop early too.
    if (abandoned || !batch.IsFinished())
        return {};
    QList<std::optional<QString>> lengths(paths.size());
    for (int i = 0; i < paths.size(); ++i)
        if (batch.IsProbed(i))
            lengths[i] = batch.Lengths()[i];
    return lengths;
}

void DRUI::ShowProbeProgress(int done, int total) {
    if (!ProbeProgressLabel) {
        ProbeProgressLabel = new QLabel(this);
        ProbeProgressLabel->setObjectName(QStringLiteral("ProbeProgressLabel"));
        ProbeProgressLabel->setAlignment(Qt::AlignCenter);
        ProbeProgressLabel->setFont(ui::CalibriFont(14));
        ProbeProgressLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        ProbeProgressLabel->setStyleSheet(styles::ProgressBadge());
        ProbeCancelButton = new QPushButton(ui::Caption("MainWnd/Cancel"), ProbeProgressLabel);
        ProbeCancelButton->setObjectName(QStringLiteral("ProbeCancelButton"));
        ProbeCancelButton->setFont(ui::CalibriFont(10));
    }
    ProbeProgressLabel->setText(QStringLiteral("%1 / %2").arg(done).arg(total));
    ProbeProgressLabel->adjustSize();
    const QSize size = ProbeProgressLabel->size().expandedTo(QSize(160, 96));
    ProbeProgressLabel->setGeometry(
        QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
    ProbeCancelButton->setGeometry((size.width() - 90) / 2, size.height() - 36, 90, 26);
    ProbeProgressLabel->raise();
    ProbeProgressLabel->show();
}

void DRUI::PlayListAddFiles(const QStringList &paths) {
    // Input is dropped while probing, but a request from outside (another instance, the
    // desktop) could still arrive: one batch at a time.
    if (paths.isEmpty() || ProbingFiles)
        return;
    ProbingFiles = true;
    const QList<std::optional<QString>> probed = ProbeLengths(paths);
    ProbingFiles = false;
    if (probed.size() != paths.size())
        return;
    // After a Cancel only the files probed by then are added, as if only they were chosen.
    QStringList kept;
    QStringList lengths;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (probed[i]) {
            kept << paths[i];
            lengths << *probed[i];
        }
    }
    if (kept.isEmpty())
        return;
    QList<PLAY_LIST_INFO> added;
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const QString &path = kept[i];
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
    PlayPath = kept.first();
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
