#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>

// Probes the lengths of many files, a few at a time, each with the one-file probe call.
// The window keeps running its event loop meanwhile; the results come back in the order the
// paths were given, whichever probe finishes first.
class ProbeBatch : public QObject {
    Q_OBJECT
public:
    // parallel < 1 means one at a time.
    ProbeBatch(const QString &program, const QStringList &paths, int parallel,
               QObject *parent = nullptr);
    // Ends the probes still running and drops those not yet started: a batch abandoned
    // (the program quitting in the middle) must neither wait for them nor leave them behind.
    ~ProbeBatch() override;

    void Start();
    // Stops here: probes not started are dropped, running ones end at once, and Finished
    // follows with the lengths known so far.
    void Cancel();
    bool IsFinished() const { return cancelled || done == paths.size(); }
    // Whether the path at index was probed (false for those a Cancel dropped).
    bool IsProbed(int index) const { return probed.value(index); }
    int DoneCount() const { return done; }
    int Total() const { return int(paths.size()); }
    // ProbeLength's answer for each path, in the given order (empty until its probe ends).
    const QStringList &Lengths() const { return lengths; }

signals:
    void Progress(int done, int total);
    void Finished();

private:
    void Store(int index, const QString &length);

    QString program;
    QStringList paths;
    QStringList lengths;
    QList<bool> probed;
    int done = 0;
    bool cancelled = false;
    std::atomic_bool stopping = false;
    QThreadPool pool;
};

// How many probes run at once on this machine: one per core.
int ParallelProbes();
