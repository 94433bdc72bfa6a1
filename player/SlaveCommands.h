#pragma once

#include <QByteArray>
#include <QString>

// Every text the front end writes to the player's standard input, one line each.
namespace slave {

QByteArray Volume(int value);            // "volume %d 2\n"
QByteArray Seek(int seconds);            // "seek %d 2\n"
QByteArray Pause();                      // "pause\n"
QByteArray GetTimeLength();              // "get_time_length\n"
QByteArray GetTimePos();                 // "get_time_pos\n"
QByteArray VolumeKeepPaused(int value);  // "pausing_keep volume %d 100\n"
QByteArray Mute();                       // "volume 0 100\n"
QByteArray Unmute();                     // "volume 50 100\n"
QByteArray SwitchAudioKeepPaused(int i); // "pausing_keep switch_audio %d\n"
QByteArray SwitchAudio(int i);           // "switch_audio %d\n"
QByteArray SubDemuxKeepPaused(int i);    // "pausing_keep sub_demux %d\n"
QByteArray SubDemux(int i);              // "sub_demux %d\n"
QByteArray Balance(int position);        // "pausing_keep balance %d 1\n", -1 left .. 1 right
QByteArray Screenshot();                 // "screenshot 0\n"
QByteArray Quit();                       // "q\n"
// "osd_show_text \"<text>\" <ms> 0\n"; quotes and line breaks in the text become blanks.
QByteArray OsdText(const QString &text, int ms);

} // namespace slave
