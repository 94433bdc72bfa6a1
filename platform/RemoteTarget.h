#pragma once

#include <QStringList>

// What a remote control (media keys, the desktop's player controls) may ask of the program
// beyond the playback session's verbs: the program's own entries, as its menus run them.
class RemoteTarget {
public:
    enum class Request { Play, Pause, Resume, Stop, Next, Previous, Quit };

    enum class Readiness {
        Ready,
        Busy,  // it takes no input (it probes added files): requests are dropped
        Modal, // a dialog runs its own loop: requests are refused, never run inside it
    };

    virtual ~RemoteTarget() = default;
    virtual Readiness RemoteReadiness() const = 0;
    virtual void RunRemoteRequest(Request request) = 0;
    // As a move of the volume slider, in percent.
    virtual void SetRemoteVolume(int percent) = 0;
    virtual void RaiseWindow() = 0;
    // As a drag of the position slider to there and its release.
    virtual void SeekRemote(int seconds) = 0;
    // As the paths handed by a later start: one folder as Open Folder, else the files.
    virtual void OpenRemotePaths(const QStringList &paths) = 0;
    // Whether Next (step 1) or Previous (step -1) has somewhere to go from the item playing.
    virtual bool CanStepRemote(int step) const = 0;
};
