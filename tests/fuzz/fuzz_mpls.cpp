// Any bytes as a movie playlist: the reader must stay inside the bytes, and what it accepts
// must hold together (items and chapters only with code 0, clip names of 10 bytes).
#include "sources/bluray/MoviePlaylist.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    MoviePlaylist playlist;
    const int code = MoviePlaylistParser::ParseBytes(bytes, playlist);
    if (code != 0 && (!playlist.PlayItems.isEmpty() || !playlist.Chapters.isEmpty()))
        abort();
    for (const PlayItem &item : playlist.PlayItems) {
        if (item.ClipName.size() != 10)
            abort();
    }
    for (const StreamInfo &stream : playlist.AudioStreams + playlist.SubtitleStreams) {
        if (stream.DisplayName.size() > 511)
            abort();
    }

    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    // The device path (one reused 10 MiB buffer) reads the same bytes the same way; checked
    // for every eighth length only, as it halves the speed.
    if (size % 8 == 0) {
        static MoviePlaylistParser parser;
        MoviePlaylist fromDevice;
        if (parser.ParseMoviePlaylist(buffer, fromDevice) != code ||
            fromDevice.PlayItems.size() != playlist.PlayItems.size() ||
            fromDevice.Chapters != playlist.Chapters)
            abort();
        buffer.seek(0);
    }
    if (PlaylistDigest(buffer).size() != (size == 0 ? 0 : 128))
        abort();
    return 0;
}
