#include "snapshot/CProcessUI.h"

#include "dialogs/FileDialogs.h"
#include "dialogs/Styles.h"
#include "dialogs/UiText.h"
#include "platform/AppPaths.h"
#include "snapshot/SnapshotPaths.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

using ui::CalibriFont;
using ui::Caption;

void OpenFolderInFileBrowser(const QString &folder) {
    if (!QDir(folder).exists())
        QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 250;

QPushButton *ImageButton(const QString &image, QWidget *parent, int x) {
    auto *button = new QPushButton(parent);
    const QPixmap pixmap(image);
    button->setFlat(true);
    button->setIcon(QIcon(pixmap));
    button->setIconSize(pixmap.size());
    button->setGeometry(x, 0, pixmap.width(), pixmap.height());
    button->setStyleSheet(QStringLiteral("border:none"));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QPushButton *TextButton(const QString &text, QWidget *parent, const QRect &geometry) {
    auto *button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    button->setFont(CalibriFont(11));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(styles::PreferencesButton());
    return button;
}

QLabel *FieldCaption(const QString &text, QWidget *parent, const QRect &geometry) {
    auto *label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setFont(CalibriFont(11));
    label->setWordWrap(true);
    return label;
}

} // namespace

CProcessUI::CProcessUI() : AppDataFolder(platform::AppDataFolder()) {
    setObjectName(QStringLiteral("Preferences"));
    setFixedSize(kWidth, kHeight);
    setWindowTitle(ui::Caption("MainWnd/RegisterTitle"));
    setWindowIcon(QIcon(QStringLiteral(":/image/logo.ico")));
    Cancelled = 1;
    FormatIndex = 0;
}

void CProcessUI::BuildDialog() {
    const int w = width();
    QPalette black = palette();
    black.setColor(QPalette::All, QPalette::WindowText, Qt::black);
    setPalette(black);

    // Title bar: minimise and close buttons, the caption in the middle.
    auto *titleBar = new QLabel(this);
    titleBar->setObjectName(QStringLiteral("TitleBar"));
    titleBar->setMinimumSize(w, 40);
    titleBar->setStyleSheet(styles::TitleStrip());
    QPushButton *minimise = ImageButton(QStringLiteral(":/image/min.png"), titleBar, w - 60);
    minimise->setObjectName(QStringLiteral("MinimiseButton"));
    QPushButton *close = ImageButton(QStringLiteral(":/image/close.png"), titleBar, w - 30);
    close->setObjectName(QStringLiteral("CloseButton"));
    connect(minimise, &QPushButton::clicked, this, &CProcessUI::btnMinSlot);
    connect(close, &QPushButton::clicked, this, &CProcessUI::btnCloseSlot);
    auto *heading = new QLabel(Caption("MainWnd/Preferences"), titleBar);
    heading->setObjectName(QStringLiteral("Heading"));
    heading->setGeometry(150, 5, 300, 30);
    heading->setAlignment(Qt::AlignCenter);
    heading->setFont(CalibriFont(12, 75));
    heading->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    auto *titleBox = new QHBoxLayout;
    titleBox->setSpacing(0);
    titleBox->setContentsMargins(0, 0, 0, 0);
    titleBox->addWidget(titleBar);

    // Content: the folder row and the format row.
    auto *panel = new QLabel(this);
    panel->setObjectName(QStringLiteral("ContentPanel"));
    panel->setMinimumSize(w - 80, 180);
    // The described places (captions 150 wide, the field at 180, Browse and Open 80 wide
    // ending at 610) hold the English captions; a longer translation widens its caption or
    // button, and the folder field gives up the room.
    const QString folderText = Caption("MainWnd/SnapshotFolder") + QStringLiteral(": ");
    const QString formatText = Caption("MainWnd/SnapshotFormat") + QStringLiteral(": ");
    const QString browseText = Caption("MainWnd/Browse");
    const QString openText = Caption("MainWnd/Open");
    const QFontMetrics metrics(CalibriFont(11));
    const int captionWidth = qMax(
        150,
        qMax(metrics.horizontalAdvance(folderText), metrics.horizontalAdvance(formatText)) + 6);
    const int openWidth = qMax(80, metrics.horizontalAdvance(openText) + 16);
    const int browseWidth = qMax(80, metrics.horizontalAdvance(browseText) + 16);
    const int openX = 610 - openWidth;
    const int browseX = openX - 10 - browseWidth;
    const int fieldX = 30 + captionWidth;

    auto *folderCaption = FieldCaption(folderText, panel, QRect(20, 10, captionWidth, 25));
    folderCaption->setObjectName(QStringLiteral("FolderCaption"));
    FolderPath = ReadSnapshotFolder(AppDataFolder);
    FolderEdit = new QLineEdit(FolderPath, panel);
    FolderEdit->setObjectName(QStringLiteral("FolderEdit"));
    FolderEdit->setGeometry(fieldX, 10, browseX - 10 - fieldX, 25);
    FolderEdit->setFont(CalibriFont(11));
    FolderEdit->setEnabled(false);
    QPushButton *browse = TextButton(browseText, panel, QRect(browseX, 10, browseWidth, 25));
    browse->setObjectName(QStringLiteral("BrowseButton"));
    QPushButton *open = TextButton(openText, panel, QRect(openX, 10, openWidth, 25));
    open->setObjectName(QStringLiteral("OpenButton"));
    connect(browse, &QPushButton::clicked, this, &CProcessUI::btnChoosePath);
    connect(open, &QPushButton::clicked, this, &CProcessUI::btnOpenFolder);
    auto *formatCaption = FieldCaption(formatText, panel, QRect(20, 40, captionWidth, 25));
    formatCaption->setObjectName(QStringLiteral("FormatCaption"));
    FormatBox = new QComboBox(panel);
    FormatBox->setObjectName(QStringLiteral("FormatBox"));
    FormatBox->setGeometry(fieldX, 40, 150, 25);
    FormatBox->setFont(CalibriFont(12));
    FormatBox->addItems({QStringLiteral("JPEG"), QStringLiteral("PNG"), QStringLiteral("BMP")});
    FormatBox->setCurrentIndex(FormatIndex);
    auto *panelBox = new QVBoxLayout;
    panelBox->setContentsMargins(20, 0, 0, 0);
    panelBox->addWidget(panel);

    // Button bar.
    auto *buttonBar = new QLabel(this);
    buttonBar->setObjectName(QStringLiteral("ButtonBar"));
    buttonBar->setMinimumSize(w, 40);
    QPushButton *ok = TextButton(Caption("MainWnd/OK"), buttonBar, QRect(220, 0, 80, 30));
    ok->setObjectName(QStringLiteral("OkButton"));
    QPushButton *cancel = TextButton(Caption("MainWnd/Cancel"), buttonBar, QRect(360, 0, 80, 30));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(ok, &QPushButton::clicked, this, &CProcessUI::btnOK);
    connect(cancel, &QPushButton::clicked, this, &CProcessUI::btnCloseSlot);
    auto *buttonBox = new QVBoxLayout;
    buttonBox->setContentsMargins(0, 0, 0, 0);
    buttonBox->addWidget(buttonBar);

    auto *spacer = new QLabel(this);
    spacer->setMinimumSize(w, 10);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(titleBox);
    layout->addLayout(panelBox);
    layout->addLayout(buttonBox);
    layout->addWidget(spacer);
}

void CProcessUI::btnCloseSlot() {
    close();
}

void CProcessUI::btnOpenFolder() {
    OpenFolderInFileBrowser(FolderPath);
}

void CProcessUI::btnOK() {
    FormatIndex = FormatBox->currentIndex();
    // A folder that cannot be stored is not reported; the previous setting stays whole.
    WriteSnapshotFolder(AppDataFolder, FolderPath);
    Cancelled = 0;
    close();
}

void CProcessUI::btnChoosePath() {
    const QString folder = dialogs::AskFolder(this);
    if (folder.isEmpty())
        return;
    FolderPath = folder + QLatin1Char('/');
    FolderEdit->setText(FolderPath);
}

void CProcessUI::btnMinSlot() {
    showMinimized();
}
