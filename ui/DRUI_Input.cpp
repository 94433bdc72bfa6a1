#include "ui/DRUI.h"

#include "player/SlaveCommands.h"

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
    if (FullScreenOn) {
        MenuStrip->show();
        ControlBar->show();
        showNormal();
        FullScreenOn = false;
    }
}

void DRUI::paintEvent(QPaintEvent *event) {
    QMainWindow::paintEvent(event);
    if (!PageStack)
        return;
    if (PageStack->currentIndex() == 1 && SourceKind == 2) {
        DiscMenu->show();
        if (ActiveDiscSubtitleEntry && DiscSubtitleAction->menu())
            DiscSubtitleAction->menu()->setActiveAction(ActiveDiscSubtitleEntry);
        if (ActiveDiscAudioEntry && DiscAudioAction->menu())
            DiscAudioAction->menu()->setActiveAction(ActiveDiscAudioEntry);
    }
    if (PageStack->currentIndex() == 2) {
        for (QAction *action : ControlsMenu->actions())
            action->setEnabled(action->data().toString() != QLatin1String("Navigation") ||
                               SourceKind == 2);
        for (QMenu *menu : {VideoMenu, AudioMenu, ToolsMenu})
            for (QAction *action : menu->actions())
                action->setEnabled(true);
        SnapshotAction->setEnabled(true);
        const QString name =
            SourceKind == 2 ? DiscTitleLabel->text() : QFileInfo(PlayPath).fileName();
        const QString text = QStringLiteral("    ") + name;
        if (NowPlayingLabel->text() != text)
            NowPlayingLabel->setText(text);
    }
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
    if (QFileInfo(path).isDir())
        OpenFolderSource(path);
    else
        PlayListAddFiles({path});
}

void DRUI::FullScreenBtn() {
    if (!PlayerProcess || Stopped)
        return;
    if (FullScreenOn) {
        MenuStrip->show();
        ControlBar->show();
        showNormal();
    } else {
        MenuStrip->hide();
        ControlBar->hide();
        PlaylistPanel->hide();
        showFullScreen();
    }
    FullScreenOn = !FullScreenOn;
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
    if (PlayerProcess) {
        RefreshTimer->stop();
        SendCommand(slave::Quit());
        Stopped = true;
    }
    CurrentPath.clear();
    PageStack->setCurrentIndex(SourceKind == 2 ? 1 : 0);
}

void DRUI::btnMinSlot() {
    showMinimized();
}

void DRUI::btnCloseSlot() {
    if (PlayerProcess) {
        RefreshTimer->stop();
        SendCommand(slave::Quit());
        // Give the player a moment to end cleanly on the quit; the kill is for one that hangs.
        PlayerProcess->waitForBytesWritten(500);
        PlayerProcess->waitForFinished(1000);
        Stopped = true;
        KillPlayer();
    }
    close();
}

void DRUI::btnMenButtonSlot() {}

void DRUI::btnOpenSnapshotFolder() {}
