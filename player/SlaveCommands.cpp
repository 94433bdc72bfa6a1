#include "player/SlaveCommands.h"

namespace slave {

namespace {

QByteArray WithNumber(const char *head, int value, const char *tail) {
    return QByteArray(head) + QByteArray::number(value) + tail;
}

} // namespace

QByteArray Volume(int value) {
    return WithNumber("volume ", value, " 2\n");
}

QByteArray Seek(int seconds) {
    return WithNumber("seek ", seconds, " 2\n");
}

QByteArray Pause() {
    return QByteArrayLiteral("pause\n");
}

QByteArray GetTimeLength() {
    return QByteArrayLiteral("get_time_length\n");
}

QByteArray GetTimePos() {
    return QByteArrayLiteral("get_time_pos\n");
}

QByteArray VolumeKeepPaused(int value) {
    return WithNumber("pausing_keep volume ", value, " 100\n");
}

QByteArray Mute() {
    return QByteArrayLiteral("volume 0 100\n");
}

QByteArray Unmute() {
    return QByteArrayLiteral("volume 50 100\n");
}

QByteArray SwitchAudioKeepPaused(int i) {
    return WithNumber("pausing_keep switch_audio ", i, "\n");
}

QByteArray SwitchAudio(int i) {
    return WithNumber("switch_audio ", i, "\n");
}

QByteArray SubDemuxKeepPaused(int i) {
    return WithNumber("pausing_keep sub_demux ", i, "\n");
}

QByteArray SubDemux(int i) {
    return WithNumber("sub_demux ", i, "\n");
}

QByteArray Balance(int position) {
    return WithNumber("pausing_keep balance ", position, " 1\n");
}

QByteArray Screenshot() {
    return QByteArrayLiteral("screenshot 0\n");
}

QByteArray Quit() {
    return QByteArrayLiteral("q\n");
}

QByteArray OsdText(const QString &text, int ms) {
    QByteArray bytes = text.toUtf8();
    for (char &c : bytes) {
        // One command per line, and the text stays one quoted argument.
        if (c == '"' || c == '\\' || c == '\n' || c == '\r')
            c = ' ';
    }
    return "osd_show_text \"" + bytes + "\" " + QByteArray::number(ms) + " 0\n";
}

} // namespace slave
