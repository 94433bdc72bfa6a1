#include "ui/DRUI.h"

#include "dialogs/Styles.h"
#include "dialogs/UiText.h"
#include "lang/CLanguageTable.h"
#include "ui/DecodedPicture.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QStackedLayout>
#include <QTableWidget>
#include <QVBoxLayout>

using ui::CalibriFont;
using ui::Caption;

QPushButton *DRUI::MakeImageButton(const QString &image) {
    auto *button = new QPushButton;
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    SetButtonImage(button, image);
    return button;
}

void DRUI::SetButtonImage(QPushButton *button, const QString &image) {
    const QPixmap pixmap(image);
    button->setIcon(QIcon(pixmap));
    button->setIconSize(pixmap.size());
    button->setFixedSize(pixmap.size());
}

void DRUI::BuildContent() {
    delete RootWidget;
    RootWidget = new QWidget(centralWidget);
    RootWidget->setObjectName(QStringLiteral("RootWidget"));

    WhiteTextPalette = QPalette();
    WhiteTextPalette.setColor(QPalette::All, QPalette::WindowText, Qt::white);
    MenuButtonFont = CalibriFont(11, 50);

    // The layouts hang on the root widget before any page goes in: a stacked layout without
    // a widget shows its first page as a window of its own, which costs a window's set-up.
    auto *menuBox = new QVBoxLayout;
    auto *pageRow = new QHBoxLayout;
    auto *rootBox = new QVBoxLayout(RootWidget);
    rootBox->addLayout(menuBox, 1);
    rootBox->addLayout(pageRow, 60);
    rootBox->setContentsMargins(0, 0, 0, 0);
    rootBox->setSpacing(0);
    pageRow->addLayout(PageStack, 8);
    pageRow->setContentsMargins(0, 0, 0, 0);
    pageRow->setSpacing(0);

    MenuStrip = new QLabel;
    MenuStrip->setObjectName(QStringLiteral("MenuStrip"));
    MenuStrip->setStyleSheet(styles::MenuStrip());
    MenuStrip->setMinimumSize(width(), 22);
    menuBox->addWidget(MenuStrip);
    for (int index = 1; index <= 6; ++index)
        BuildMenuButton(index, (index - 1) * 100, MenuStrip);

    PageStack->addWidget(BuildStartPage());
    PageStack->addWidget(BuildDiscPage());
    PageStack->addWidget(BuildVideoPage());
    PageStack->setContentsMargins(0, 0, 0, 0);
    PageStack->setCurrentIndex(PageIndex(Page::Start));

    PlaylistPanel = BuildPlayListPanel();
    pageRow->addWidget(PlaylistPanel, 2);
    PlaylistPanel->hide();

    ControlBar = BuildControlBar();
    rootBox->addWidget(ControlBar, 10);
}

QPushButton *DRUI::BuildMenuButton(int index, int x, QLabel *strip) {
    static const char *const keys[] = {"MainWnd/File",  "MainWnd/Controls", "MainWnd/Video",
                                       "MainWnd/Audio", "MainWnd/Tools",    "MainWnd/Help"};
    static const char *const names[] = {"FileButton",  "ControlsButton", "VideoButton",
                                        "AudioButton", "ToolsButton",    "HelpButton"};
    if (index < 1 || index > 6)
        return nullptr;
    const QFont font = CalibriFont(11, 50);
    auto *button = new QPushButton(Caption(keys[index - 1]), strip);
    button->setObjectName(QString::fromLatin1(names[index - 1]));
    switch (index) {
    case 1:
        BuildFileMenu(button);
        break;
    case 2:
        BuildControlsMenu(button);
        break;
    case 3:
        BuildVideoMenu(button);
        break;
    case 4:
        BuildAudioMenu(button);
        break;
    case 5:
        BuildToolsMenu(button);
        break;
    default:
        BuildHelpMenu(button);
        break;
    }
    button->menu()->setStyleSheet(styles::MenuPopup());
    // The open menu holds the mouse, so the button never hears it leave and would keep its
    // hover frame after the menu closes, until the mouse passed over it again.
    connect(button->menu(), &QMenu::aboutToHide, button, [button] {
        const QPoint mouse = button->mapFromGlobal(QCursor::pos());
        button->setAttribute(Qt::WA_UnderMouse, button->rect().contains(mouse));
        button->update();
    });
    button->setGeometry(x, 1, 100, 20);
    button->setFont(font);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(styles::MenuButton());
    return button;
}

QWidget *DRUI::BuildStartPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("StartPage"));
    auto *pageBox = new QHBoxLayout(page);
    pageBox->setContentsMargins(0, 0, 0, 0);

    auto *background = new QLabel;
    background->setObjectName(QStringLiteral("StartBackground"));
    background->setScaledContents(true);
    // The picture follows the window; it must not make the window as large as itself.
    background->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    // Decoding it takes longer than building the rest of the window: it arrives when ready.
    ui::ShowDecodedPicture(background, QStringLiteral(":/image/bg.jpg"));
    pageBox->addWidget(background);

    auto *backgroundBox = new QHBoxLayout(background);
    auto *columns = new QVBoxLayout;
    backgroundBox->addLayout(columns);

    auto *titleColumn = new QVBoxLayout;
    StartTitleLabel = new QLabel(Caption("MainWnd/ProTitle"));
    StartTitleLabel->setObjectName(QStringLiteral("StartTitleLabel"));
    StartTitleLabel->setFont(CalibriFont(40, 50));
    StartTitleLabel->setPalette(WhiteTextPalette);
    StartTitleLabel->setStyleSheet(styles::Transparent());
    titleColumn->addStretch(1);
    titleColumn->addWidget(StartTitleLabel);
    titleColumn->addStretch(2);

    const auto startButton = [this](const char *key, const QString &image, const QString &name) {
        auto *button = new QPushButton(QStringLiteral("   ") + Caption(key));
        button->setObjectName(name);
        const QPixmap pixmap(image);
        button->setIcon(QIcon(pixmap));
        button->setIconSize(pixmap.size());
        button->setFont(CalibriFont(20, 75));
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setStyleSheet(styles::StartButton());
        button->setMaximumWidth(300);
        button->setMinimumHeight(85);
        return button;
    };
    QPushButton *openFile =
        startButton("MainWnd/OpenFile", QStringLiteral(":/image/MoviesFolder.png"),
                    QStringLiteral("OpenFileButton"));
    QPushButton *openFolder = startButton("MainWnd/OpenFolder", QStringLiteral(":/image/disc.png"),
                                          QStringLiteral("OpenFolderButton"));
    connect(openFile, &QPushButton::clicked, this, &DRUI::btnOpenFile);
    connect(openFolder, &QPushButton::clicked, this, &DRUI::btnLoadBDPath);

    auto *buttonColumn = new QVBoxLayout;
    buttonColumn->setContentsMargins(150, 0, 0, 0);
    buttonColumn->addWidget(openFile);
    buttonColumn->addSpacing(50);
    buttonColumn->addWidget(openFolder);
    buttonColumn->addSpacing(100);

    columns->addLayout(titleColumn, 1);
    columns->addLayout(buttonColumn, 1);
    return page;
}

QWidget *DRUI::BuildDiscPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("DiscPage"));
    auto *pageBox = new QHBoxLayout(page);
    pageBox->setContentsMargins(0, 0, 0, 0);
    pageBox->setSpacing(0);

    DiscPanel = new QLabel;
    DiscPanel->setObjectName(QStringLiteral("DiscPanel"));
    DiscPanel->setScaledContents(true);
    // The disc's picture follows the page; a large one must not make the window larger.
    DiscPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    pageBox->addWidget(DiscPanel);
    auto *panelBox = new QVBoxLayout(DiscPanel);

    auto *titleRow = new QHBoxLayout;
    DiscTitleLabel = new QLabel(Caption("MainWnd/ProTitle"));
    DiscTitleLabel->setObjectName(QStringLiteral("DiscTitleLabel"));
    DiscTitleLabel->setFont(CalibriFont(40, 50));
    DiscTitleLabel->setPalette(WhiteTextPalette);
    DiscTitleLabel->setStyleSheet(styles::Transparent());
    titleRow->addWidget(DiscTitleLabel);

    DiscMenu = new QMenu;
    DiscMenu->setObjectName(QStringLiteral("DiscMenu"));
    // An embedded list, not a popup: it lives in the page's layout.
    DiscMenu->setWindowFlags(Qt::Widget);
    DiscMenu->setStyleSheet(styles::DiscMenu());
    DiscMenu->setFont(CalibriFont(20, 75));
    DiscMenu->setPalette(WhiteTextPalette);
    DiscMenu->addAction(Caption("MainWnd/PlayMovie"));
    DiscChapterAction = DiscMenu->addAction(Caption("MainWnd/Chapter"));
    DiscAudioAction = DiscMenu->addAction(Caption("MainWnd/Audio"));
    DiscSubtitleAction = DiscMenu->addAction(Caption("MainWnd/Subtitle"));
    DiscOtherTitlesAction = DiscMenu->addAction(Caption("MainWnd/OtherTitles"));
    connect(DiscMenu, &QMenu::triggered, this, &DRUI::BDMenuOperate);
    ActiveDiscSubtitleEntry = nullptr;
    ActiveDiscAudioEntry = nullptr;

    auto *menuRow = new QHBoxLayout;
    menuRow->setContentsMargins(0, 0, 0, 0);
    menuRow->setSpacing(0);
    menuRow->addWidget(DiscMenu);
    menuRow->addStretch(5);

    panelBox->addLayout(titleRow, 3);
    panelBox->addLayout(menuRow, 7);
    return page;
}

QWidget *DRUI::BuildVideoPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("VideoPage"));
    auto *pageBox = new QHBoxLayout(page);
    pageBox->setContentsMargins(0, 0, 0, 0);
    pageBox->setSpacing(0);
    VideoLabel = new QLabel;
    VideoLabel->setObjectName(QStringLiteral("VideoLabel"));
    // The player paints into this native window. Qt still flushes its own picture of the
    // label there when it repaints it; that picture must be black, not whatever the window's
    // buffer held before (the start page's buttons, which would then show wherever the player
    // draws nothing: before the first frame, audio-only media, a failed video output).
    VideoLabel->setAttribute(Qt::WA_NativeWindow);
    VideoLabel->setAttribute(Qt::WA_DontCreateNativeAncestors);
    VideoLabel->setStyleSheet(QStringLiteral("background-color: black;"));
    VideoLabel->installEventFilter(this);
    // The player draws into a window of the picture's own shape, so the bars around it are the
    // label's, painted black by us: x11 inside -wid never paints bars, and what it drew there
    // before a resize would otherwise stay on the screen.
    VideoPicture = new QWidget(VideoLabel);
    VideoPicture->setObjectName(QStringLiteral("VideoPicture"));
    VideoPicture->setAttribute(Qt::WA_NativeWindow);
    VideoPicture->setAttribute(Qt::WA_StyledBackground);
    pageBox->addWidget(VideoLabel);
    return page;
}

QLabel *DRUI::BuildControlBar() {
    auto *bar = new QLabel;
    bar->setObjectName(QStringLiteral("ControlBar"));
    bar->setFixedHeight(90);
    auto *barBox = new QVBoxLayout(bar);
    barBox->setContentsMargins(0, 0, 0, 0);
    barBox->setSpacing(0);

    const auto timeLabel = [this](const QString &name) {
        auto *label = new QLabel(QStringLiteral("   --:--:--"));
        label->setObjectName(name);
        label->setFont(CalibriFont(10, 50));
        label->setPalette(WhiteTextPalette);
        label->setStyleSheet(styles::TimeLabel());
        label->setFixedWidth(50);
        return label;
    };
    PositionLabel = timeLabel(QStringLiteral("PositionLabel"));
    DurationLabel = timeLabel(QStringLiteral("DurationLabel"));
    PositionSlider = new QSlider(Qt::Horizontal);
    PositionSlider->setObjectName(QStringLiteral("PositionSlider"));
    PositionSlider->setRange(0, 100);
    PositionSlider->setStyleSheet(styles::Slider(true));
    PositionSlider->setEnabled(false);
    connect(PositionSlider, &QSlider::sliderPressed, this, &DRUI::SliderPress);
    connect(PositionSlider, &QSlider::sliderMoved, this, &DRUI::SliderSeek);
    connect(PositionSlider, &QSlider::sliderReleased, this, &DRUI::SliderRelease);
    PositionSlider->installEventFilter(this);

    auto *timeRow = new QHBoxLayout;
    timeRow->setObjectName(QStringLiteral("TimeRow"));
    timeRow->setSpacing(0);
    timeRow->addWidget(PositionLabel);
    timeRow->addWidget(PositionSlider);
    timeRow->addWidget(DurationLabel);

    auto *buttonRow = new QWidget;
    buttonRow->setObjectName(QStringLiteral("ButtonRow"));
    buttonRow->setStyleSheet(styles::ButtonRow());
    auto *buttonBox = new QHBoxLayout(buttonRow);

    auto *nowPlayingBox = new QHBoxLayout;
    NowPlayingLabel = new QLabel;
    NowPlayingLabel->setObjectName(QStringLiteral("NowPlayingLabel"));
    NowPlayingLabel->setFont(CalibriFont(10, 75));
    NowPlayingLabel->setWordWrap(true);
    // File and disc names are shown as they are, never read as markup.
    NowPlayingLabel->setTextFormat(Qt::PlainText);
    NowPlayingLabel->setStyleSheet(styles::NowPlaying());
    nowPlayingBox->addWidget(NowPlayingLabel);

    QPushButton *stop = MakeImageButton(QStringLiteral(":/image/stop.png"));
    stop->setObjectName(QStringLiteral("StopButton"));
    PlayButton = MakeImageButton(QStringLiteral(":/image/play.png"));
    PlayButton->setObjectName(QStringLiteral("PlayButton"));
    QPushButton *previous = MakeImageButton(QStringLiteral(":/image/pre.png"));
    previous->setObjectName(QStringLiteral("PreviousButton"));
    QPushButton *next = MakeImageButton(QStringLiteral(":/image/next.png"));
    next->setObjectName(QStringLiteral("NextButton"));
    connect(stop, &QPushButton::clicked, this, &DRUI::StopBtn);
    connect(PlayButton, &QPushButton::clicked, this, &DRUI::VideoPlay);
    connect(previous, &QPushButton::clicked, this, &DRUI::PlayPre);
    connect(next, &QPushButton::clicked, this, &DRUI::PlayNext);
    auto *transportRow = new QHBoxLayout;
    transportRow->setObjectName(QStringLiteral("TransportRow"));
    transportRow->setSpacing(0);
    transportRow->addWidget(stop);
    transportRow->addWidget(PlayButton);
    transportRow->addWidget(previous);
    transportRow->addWidget(next);

    // A rebuild keeps the mute state, so the button keeps showing it.
    VolumeButton = MakeImageButton(Muted ? QStringLiteral(":/image/no-volume.png")
                                         : QStringLiteral(":/image/volume.png"));
    VolumeButton->setObjectName(QStringLiteral("VolumeButton"));
    connect(VolumeButton, &QPushButton::clicked, this, &DRUI::VolumeBtn);
    VolumeSlider = new QSlider(Qt::Horizontal);
    VolumeSlider->setObjectName(QStringLiteral("VolumeSlider"));
    VolumeSlider->setRange(0, 100);
    VolumeSlider->setValue(50);
    VolumeSlider->setStyleSheet(styles::Slider(false));
    connect(VolumeSlider, &QSlider::sliderMoved, this, &DRUI::VolumeSliderSeek);
    VolumeSlider->installEventFilter(this);
    QPushButton *fullScreen = MakeImageButton(QStringLiteral(":/image/fullscreen.png"));
    fullScreen->setObjectName(QStringLiteral("FullScreenButton"));
    connect(fullScreen, &QPushButton::clicked, this, &DRUI::FullScreenBtn);
    auto *volumeRow = new QHBoxLayout;
    volumeRow->setObjectName(QStringLiteral("VolumeRow"));
    volumeRow->addWidget(VolumeButton);
    volumeRow->addWidget(VolumeSlider);
    volumeRow->addWidget(fullScreen);

    buttonBox->addLayout(nowPlayingBox);
    buttonBox->addStretch(4);
    buttonBox->addLayout(transportRow);
    buttonBox->addStretch(4);
    buttonBox->addLayout(volumeRow);

    barBox->addLayout(timeRow, 1);
    barBox->addWidget(buttonRow, 10);
    return bar;
}
