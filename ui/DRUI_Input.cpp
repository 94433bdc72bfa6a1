#include "ui/DRUI.h"

#include "playlist/PlaylistSteps.h"
#include "snapshot/CProcessUI.h"
#include "snapshot/SnapshotPaths.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStackedLayout>
#include <QTableWidget>

bool DRUI::eventFilter(QObject *watched, QEvent *event) {
    if (watched == VideoLabel && event->type() == QEvent::MouseButtonDblClick) {
        FullScreenBtn();
    } else if (watched == VideoLabel && event->type() == QEvent::Resize) {
        PlacePicture();
    } else if ((watched == PositionSlider || watched == VolumeSlider) &&
               event->type() == QEvent::MouseButtonPress && Session->HasPlayer()) {
        if (watched == PositionSlider)
            PositionAnswerCount = 0;
        SliderMouseLButtonPress(watched, event);
    }
    return QMainWindow::eventFilter(watched, event);
}

void DRUI::mousePressEvent(QMouseEvent *event) {
    QMainWindow::mousePressEvent(event);
}

void DRUI::keyPressEvent(QKeyEvent *event) {
    if (event->key() != Qt::Key_Escape) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    if (FullScreenOn)
        LeaveFullScreen();
}

void DRUI::paintEvent(QPaintEvent *event) {
    QMainWindow::paintEvent(event);
    if (!PageStack)
        return;
    if (PageStack->currentIndex() == PageIndex(Page::Disc) && SourceKind == MediaKind::Bluray) {
        DiscMenu->show();
        if (ActiveDiscSubtitleEntry && DiscSubtitleAction->menu())
            DiscSubtitleAction->menu()->setActiveAction(ActiveDiscSubtitleEntry);
        if (ActiveDiscAudioEntry && DiscAudioAction->menu())
            DiscAudioAction->menu()->setActiveAction(ActiveDiscAudioEntry);
    }
    if (PageStack->currentIndex() == PageIndex(Page::Video)) {
        for (QAction *action : ControlsMenu->actions())
            action->setEnabled(action->data().toString() != QLatin1String("Navigation") ||
                               SourceKind == MediaKind::Bluray);
        for (QMenu *menu : {VideoMenu, AudioMenu, ToolsMenu})
            for (QAction *action : menu->actions())
                action->setEnabled(true);
        SnapshotAction->setEnabled(true);
        const QString text = QStringLiteral("    ") + NowPlayingName();
        if (NowPlayingLabel->text() != text)
            NowPlayingLabel->setText(text);
    }
}

QString DRUI::NowPlayingName() const {
    return SourceKind == MediaKind::Bluray ? DiscTitleLabel->text()
                                           : QFileInfo(PlayPath).fileName();
}

void DRUI::resizeEvent(QResizeEvent *event) {
    centralWidget->resize(width(), height());
    QMainWindow::resizeEvent(event);
}

void DRUI::closeEvent(QCloseEvent *event) {
    QMainWindow::closeEvent(event);
    QCoreApplication::quit();
}

void DRUI::dragEnterEvent(QDragEnterEvent *event) {
    event->acceptProposedAction();
}

void DRUI::dropEvent(QDropEvent *event) {
    const QList<QUrl> urls = event->mimeData() ? event->mimeData()->urls() : QList<QUrl>();
    if (urls.isEmpty())
        return;
    // Only local files can be played; toLocalFile keeps the leading "/".
    const QString path = urls.first().toLocalFile();
    if (path.isEmpty())
        return;
    OpenPath(path);
}

void DRUI::FullScreenBtn() {
    if (!Session->HasPlayer())
        return;
    if (FullScreenOn) {
        LeaveFullScreen();
        return;
    }
    MenuStrip->hide();
    ControlBar->hide();
    PlaylistPanel->hide();
    showFullScreen();
    FullScreenOn = true;
}

// The playlist stays hidden, and the window returns to its normal (not maximised) state.
void DRUI::LeaveFullScreen() {
    MenuStrip->show();
    ControlBar->show();
    showNormal();
    FullScreenOn = false;
}

void DRUI::VolumeBtn() {
    Muted = !Muted;
    if (Muted) {
        VolumeSlider->setValue(0);
    } else {
        VolumeSlider->setValue(50);
    }
    Session->SetMuted(Muted);
    SetButtonImage(VolumeButton, Muted ? QStringLiteral(":/image/no-volume.png")
                                       : QStringLiteral(":/image/volume.png"));
}

void DRUI::VolumeSliderSeek(int value) {
    value = qMax(0, value);
    VolumeSlider->setValue(value);
    Muted = value == 0;
    SetButtonImage(VolumeButton, Muted ? QStringLiteral(":/image/no-volume.png")
                                       : QStringLiteral(":/image/volume.png"));
    Session->SetVolume(value);
}

void DRUI::Navigation() {
    Session->Stop();
    CurrentPath.clear();
    PageStack->setCurrentIndex(
        PageIndex(SourceKind == MediaKind::Bluray ? Page::Disc : Page::Start));
}

void DRUI::btnMinSlot() {
    showMinimized();
}

void DRUI::btnCloseSlot() {
    Session->Close();
    close();
}

void DRUI::btnMenButtonSlot() {}

void DRUI::btnOpenSnapshotFolder() {
    OpenFolderInFileBrowser(ReadSnapshotFolder(AppDataFolder));
}

RemoteTarget::Readiness DRUI::RemoteReadiness() const {
    // A request run inside a dialog's loop could open another dialog inside it, and so on.
    if (QApplication::activeModalWidget())
        return Readiness::Modal;
    return ProbingFiles ? Readiness::Busy : Readiness::Ready;
}

void DRUI::RunRemoteRequest(RemoteTarget::Request request) {
    using Request = RemoteTarget::Request;
    switch (request) {
    case Request::Play:
        return RunControlsEntry(QStringLiteral("Play"));
    case Request::Pause:
        return RunControlsEntry(QStringLiteral("Pause"));
    case Request::Resume:
        return RunControlsEntry(QStringLiteral("Resume"));
    case Request::Stop:
        return RunControlsEntry(QStringLiteral("Stop"));
    case Request::Next:
        return RunControlsEntry(QStringLiteral("Next"));
    case Request::Previous:
        return RunControlsEntry(QStringLiteral("Pre"));
    case Request::Quit:
        return btnCloseSlot();
    }
}

void DRUI::SetRemoteVolume(int percent) {
    VolumeSliderSeek(percent);
}

void DRUI::RaiseWindow() {
    showNormal();
    raise();
    activateWindow();
}

void DRUI::SeekRemote(int seconds) {
    // The steps of a drag: press, move there, release.
    SliderPress();
    SliderSeek(seconds);
    PositionSlider->setSliderPosition(seconds);
    SliderRelease();
}

void DRUI::OpenRemotePaths(const QStringList &paths) {
    OpenHandedPaths(paths);
}

bool DRUI::CanStepRemote(int step) const {
    if (!Session->HasPlayer())
        return false;
    // A Blu-ray title steps through its chapters, where a step may land depends on the moment.
    if (SourceKind == MediaKind::Bluray)
        return !ChaptersByKey.value(SourceKey).isEmpty();
    return NeighbourEntry(PlayList, PlayPath, step).has_value();
}
