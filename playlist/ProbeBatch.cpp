#include "playlist/ProbeBatch.h"

#include "playlist/Probe.h"

#include <QMetaObject>
#include <QThread>

ProbeBatch::ProbeBatch(const QString &program, const QStringList &paths, int parallel,
                       QObject *parent)
    : QObject(parent), program(program), paths(paths) {
    lengths.resize(paths.size());
    probed.resize(paths.size());
    pool.setMaxThreadCount(qMax(parallel, 1));
}

ProbeBatch::~ProbeBatch() {
    stopping = true;
    pool.clear();
    // Their threads use this object.
    pool.waitForDone();
}

void ProbeBatch::Start() {
    if (paths.isEmpty()) {
        emit Finished();
        return;
    }
    for (int index = 0; index < paths.size(); ++index) {
        pool.start([this, index] {
            const QString length = ProbeLength(program, paths[index], ProbeTimeoutMs, &stopping);
            // Results are stored on this object's thread, so readers need no lock.
            QMetaObject::invokeMethod(
                this, [this, index, length] { Store(index, length); }, Qt::QueuedConnection);
        });
    }
}

void ProbeBatch::Cancel() {
    if (IsFinished())
        return;
    cancelled = true;
    stopping = true;
    pool.clear();
    emit Finished();
}

void ProbeBatch::Store(int index, const QString &length) {
    // A probe stopped by Cancel has no answer.
    if (cancelled)
        return;
    lengths[index] = length;
    probed[index] = true;
    ++done;
    emit Progress(done, int(paths.size()));
    if (done == paths.size())
        emit Finished();
}

int ParallelProbes() {
    return qMax(QThread::idealThreadCount(), 1);
}
