#include "ui/DRUI.h"

#include "player/SlaveCommands.h"
#include "snapshot/CProcessUI.h"
#include "snapshot/SnapshotPaths.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTimer>

bool DRUI::eventFilter(QObject *watched, QEvent *event) {
    if (watched == VideoLabel && event->type() == QEvent::MouseButtonDblClick) {
        FullScreenBtn();
    } else if ((watched == PositionSlider || watched == VolumeSlider) &&
               event->type() == QEvent::MouseButtonPress && PlayerProcess && !Stopped) {
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
    if (PageStack->currentIndex() == PageDisc && SourceKind == SourceBluray) {
        DiscMenu->show();
        if (ActiveDiscSubtitleEntry && DiscSubtitleAction->menu())
            DiscSubtitleAction->menu()->setActiveAction(ActiveDiscSubtitleEntry);
        if (ActiveDiscAudioEntry && DiscAudioAction->menu())
            DiscAudioAction->menu()->setActiveAction(ActiveDiscAudioEntry);
    }
    if (PageStack->currentIndex() == PageVideo) {
        for (QAction *action : ControlsMenu->actions())
            action->setEnabled(action->data().toString() != QLatin1String("Navigation") ||
                               SourceKind == SourceBluray);
        for (QMenu *menu : {VideoMenu, AudioMenu, ToolsMenu})
            for (QAction *action : menu->actions())
                action->setEnabled(true);
        SnapshotAction->setEnabled(true);
        const QString text = QStringLiteral("    ") + NowPlayingName();
        if (NowPlayingLabel->text() != text) {
            NowPlayingLabel->setText(text);
            emit PlaybackStateChanged();
        }
    }
}

QString DRUI::NowPlayingName() const {
    return SourceKind == SourceBluray ? DiscTitleLabel->text() : QFileInfo(PlayPath).fileName();
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
    if (!PlayerProcess || Stopped)
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
        SendCommand(slave::Mute());
    } else {
        VolumeSlider->setValue(50);
        SendCommand(slave::Unmute());
    }
    SetButtonImage(VolumeButton, Muted ? QStringLiteral(":/image/no-volume.png")
                                       : QStringLiteral(":/image/volume.png"));
}

void DRUI::VolumeSliderSeek(int value) {
    value = qMax(0, value);
    VolumeSlider->setValue(value);
    Muted = value == 0;
    SetButtonImage(VolumeButton, Muted ? QStringLiteral(":/image/no-volume.png")
                                       : QStringLiteral(":/image/volume.png"));
    SendCommand(slave::VolumeKeepPaused(value));
}

void DRUI::Navigation() {
    QuitPlayer();
    CurrentPath.clear();
    PageStack->setCurrentIndex(SourceKind == SourceBluray ? PageDisc : PageStart);
}

void DRUI::btnMinSlot() {
    showMinimized();
}

void DRUI::btnCloseSlot() {
    if (QuitPlayer()) {
        // Its "(Quit)" line may come in during the wait below: that is no end of playback to
        // handle (the handling would send a second "q").
        DisconnectParser();
        // Give the player a moment to end cleanly on the quit; the kill is for one that hangs.
        PlayerProcess->waitForBytesWritten(500);
        PlayerProcess->waitForFinished(1000);
        KillPlayer();
    }
    close();
}

void DRUI::btnMenButtonSlot() {}

void DRUI::btnOpenSnapshotFolder() {
    OpenFolderInFileBrowser(ReadSnapshotFolder(AppDataFolder));
}
