// The Blu-ray disc page and title playback: glue between the core reader and the window.
#include "ui/DRUI.h"

#include "dialogs/Styles.h"
#include "dialogs/UiText.h"
#include "player/Clock.h"
#include "player/Kinds.h"
#include "playlist/PlaylistSteps.h"
#include "sources/bluray/DiscMetadata.h"
#include "sources/bluray/TitleDiscovery.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QStackedLayout>

namespace {

QString ClockText(qint64 seconds) {
    return QString::fromLatin1(FormatClock(seconds));
}

QString StreamText(const StreamInfo &stream) {
    return QString::fromLocal8Bit(stream.DisplayName);
}

QAction *AddEntry(QMenu *menu, const QString &text, const QVariant &data) {
    QAction *entry = menu->addAction(text);
    entry->setData(data);
    return entry;
}

} // namespace

QList<PLAY_LIST_INFO> DRUI::DiscoverBlurayTitles(const QString &discPath) {
    const BlurayDiscovery found = DiscoverTitles(discPath);
    BlurayTitleByKey.clear();
    PlayItemsByKey.clear();
    SubtitleStreamsByKey.clear();
    AudioStreamsByKey.clear();
    ChaptersByKey.clear();
    UnaddressableTitleKeys.clear();
    // The choice maps and the disc paths keep earlier discs' keys: keys are full paths.
    for (const BlurayTitle &title : found.Titles) {
        const QString &key = title.Key;
        BlurayTitleByKey[key] = title.Number;
        PlayItemsByKey[key] = title.Playlist.PlayItems;
        SubtitleStreamsByKey[key] = title.Playlist.SubtitleStreams;
        AudioStreamsByKey[key] = title.Playlist.AudioStreams;
        ChaptersByKey[key] = title.Playlist.Chapters;
        AudioChoiceByKey[key] = title.Playlist.AudioStreams.isEmpty() ? 0 : 1;
        SubtitleChoiceByKey[key] = 0;
        DiscPathByKey[key] = discPath;
        if (!title.Addressable)
            UnaddressableTitleKeys.insert(key);
    }
    SourceKey = found.MainKey;
    return found.TitleList;
}

void DRUI::OpenBlurayFolder(const QString &path) {
    const QString meta = path + QStringLiteral("/BDMV/META/DL/");
    const DiscMetadata metadata = ReadDiscMetadata(meta + QStringLiteral("bdmt_eng.xml"));
    // The name comes from the disc: shown as it is, never read as markup.
    DiscTitleLabel->setTextFormat(Qt::PlainText);
    DiscTitleLabel->setText(QString::fromLocal8Bit(metadata.Name));
    // Only a bounded picture file inside the disc folder; anything else shows no picture.
    QPixmap picture;
    picture.loadFromData(ReadDiscThumbnail(path, metadata.Thumbnail));
    DiscPanel->setPixmap(picture);
    // The remote control shows the same picture; desktop shells read it from its file.
    DiscPictureFile = picture.isNull() ? QString() : DiscThumbnailFile(path, metadata.Thumbnail);

    const QList<PLAY_LIST_INFO> titles = DiscoverBlurayTitles(path);
    BlurayMainKey = SourceKey;
    if (titles.isEmpty())
        return;

    // The old submenus' entries go with them; nothing may point at them afterwards.
    ActiveDiscSubtitleEntry = nullptr;
    ActiveDiscAudioEntry = nullptr;
    QMenu *subtitles = NewDiscSubmenu(QStringLiteral("DiscSubtitleMenu"));
    FillDiscSubtitles(subtitles);
    AttachDiscSubmenu(DiscSubtitleAction, subtitles);
    QMenu *audio = NewDiscSubmenu(QStringLiteral("DiscAudioMenu"));
    FillDiscAudio(audio);
    AttachDiscSubmenu(DiscAudioAction, audio);
    QMenu *chapters = NewDiscSubmenu(QStringLiteral("DiscChapterMenu"));
    FillDiscChapters(chapters);
    AttachDiscSubmenu(DiscChapterAction, chapters);
    QMenu *others = NewDiscSubmenu(QStringLiteral("DiscOtherTitlesMenu"));
    FillDiscTitles(others, titles);
    AttachDiscSubmenu(DiscOtherTitlesAction, others);

    // Play Movie plays the main title ("br://0"), which may be one MPlayer cannot reach.
    if (QAction *playMovie = DiscMenu->actions().value(0))
        playMovie->setEnabled(!UnaddressableTitleKeys.contains(SourceKey));
    // The page stands for this disc now: Play and the repaint rule treat it as the source.
    SourceKind = MediaKind::Bluray;
    PlayPath = path;
    PageStack->setCurrentIndex(PageIndex(Page::Disc));
}

QMenu *DRUI::NewDiscSubmenu(const QString &name) {
    auto *menu = new QMenu(this);
    menu->setObjectName(name);
    menu->setWindowFlags(menu->windowFlags() | Qt::FramelessWindowHint);
    menu->setAttribute(Qt::WA_TranslucentBackground);
    menu->setStyleSheet(styles::DiscMenu());
    menu->setFont(ui::CalibriFont(20, 75));
    menu->setPalette(WhiteTextPalette);
    return menu;
}

void DRUI::AttachDiscSubmenu(QAction *entry, QMenu *submenu) {
    QMenu *old = entry->menu();
    entry->setMenu(submenu);
    // A content rebuild (a language change) deletes the entry; its submenu goes with it.
    connect(entry, &QObject::destroyed, submenu, &QObject::deleteLater);
    // Later, not now: the old submenu or one of its entries may be inside its own handler.
    if (old)
        old->deleteLater();
}

void DRUI::FillDiscSubtitles(QMenu *submenu) {
    SubtitleTrackMenu->clear();
    const QList<StreamInfo> streams = SubtitleStreamsByKey.value(SourceKey);
    if (streams.isEmpty())
        return;
    QAction *off = AddEntry(submenu, QStringLiteral("Disable"), 0);
    submenu->setActiveAction(off);
    ActiveDiscSubtitleEntry = off;
    QAction *mirror = AddEntry(SubtitleTrackMenu, QStringLiteral("Disable"), 0);
    mirror->setCheckable(true);
    mirror->setChecked(true);
    for (int n = 1; n <= streams.size(); ++n) {
        AddEntry(submenu, StreamText(streams[n - 1]), n);
        AddEntry(SubtitleTrackMenu, StreamText(streams[n - 1]), n);
    }
}

void DRUI::FillDiscAudio(QMenu *submenu) {
    AudioTrackMenu->clear();
    const QList<StreamInfo> streams = AudioStreamsByKey.value(SourceKey);
    if (streams.isEmpty())
        return;
    AddEntry(submenu, QStringLiteral("Disable"), 0);
    AddEntry(AudioTrackMenu, QStringLiteral("Disable"), 0);
    for (int n = 1; n <= streams.size(); ++n) {
        QAction *entry = AddEntry(submenu, StreamText(streams[n - 1]), n);
        QAction *mirror = AddEntry(AudioTrackMenu, StreamText(streams[n - 1]), n);
        // The first stream is what plays unless the user picks another.
        if (n == 1) {
            submenu->setActiveAction(entry);
            ActiveDiscAudioEntry = entry;
            mirror->setCheckable(true);
            mirror->setChecked(true);
        }
    }
}

QList<int> DRUI::AudioPidsOf(const QString &key) const {
    QList<int> pids;
    for (const StreamInfo &stream : AudioStreamsByKey.value(key))
        pids.append(stream.Pid);
    return pids;
}

QList<int> DRUI::SubtitlePidsOf(const QString &key) const {
    QList<int> pids;
    for (const StreamInfo &stream : SubtitleStreamsByKey.value(key))
        pids.append(stream.Pid);
    return pids;
}

void DRUI::FillDiscChapters(QMenu *submenu) {
    ChapterMenu->clear();
    const QList<int> starts = ChaptersByKey.value(SourceKey);
    for (int n = 1; n <= starts.size(); ++n) {
        const int ms = starts[n - 1];
        // One action in both menus, owned by the disc page's submenu: the handlers know a
        // chapter by that submenu, wherever it was chosen.
        QAction *entry =
            AddEntry(submenu, QString::number(n) + QStringLiteral(". ") + ClockText(ms / 1000), ms);
        // A chapter plays the main title, which may be one MPlayer cannot reach.
        entry->setEnabled(!UnaddressableTitleKeys.contains(SourceKey));
        ChapterMenu->addAction(entry);
    }
}

void DRUI::FillDiscTitles(QMenu *submenu, const QList<PLAY_LIST_INFO> &titles) {
    TitleMenu->clear();
    for (int n = 1; n <= titles.size(); ++n) {
        const PLAY_LIST_INFO &title = titles[n - 1];
        QAction *entry = AddEntry(submenu, QString::number(n) + QStringLiteral(". ") + title.Length,
                                  QVariant::fromValue(title));
        // Shown, so the list keeps its numbering, but not playable.
        entry->setEnabled(!UnaddressableTitleKeys.contains(title.Path));
        TitleMenu->addAction(entry);
    }
}

void DRUI::PlayBlurayTitle() {
    // A title without a number of its own would play another playlist: none is better.
    if (SourceKey.isEmpty() || UnaddressableTitleKeys.contains(SourceKey))
        return;
    const QString disc = DiscPathByKey.value(SourceKey, SourceKey);
    const bool listed = IsListed(PlayList, disc);
    qint64 total = 0;
    for (const PlayItem &item : PlayItemsByKey.value(SourceKey))
        total += item.DurationMs / 1000;
    PLAY_LIST_INFO entry;
    entry.Kind = MediaKind::Bluray;
    entry.Path = disc;
    entry.Length = ClockText(total);
    // Empty, so that the same disc starts afresh (another title, a chapter) instead of pausing.
    CurrentPath.clear();
    PlayPath = disc;
    MediaDuration = ParseClock(entry.Length.toLatin1());
    if (!listed)
        PlayListAppend({entry});
    // The player runs in the disc's stream folder (VideoPlay sets it on the process); the
    // window keeps its own working folder, where its log lives.
    SourceKind = MediaKind::Bluray;
    // The track menu shows the subtitle the title starts with; it appears once met.
    const int subtitle = SubtitleChoiceByKey.value(SourceKey, 0);
    for (QAction *item : SubtitleTrackMenu->actions()) {
        const bool chosen = item->data().toInt() == subtitle;
        item->setCheckable(item->isCheckable() || chosen);
        item->setChecked(chosen);
    }
    VideoPlay();
}
