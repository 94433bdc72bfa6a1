#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QLocalServer;

namespace platform {

// Where the lock and socket live: the runtime folder when there is one, else the private
// (0700) folder "instance" of the data folder (ending in "/"), created when missing. Empty when
// neither can be used.
QString GuardFolder(const QString &runtimeFolder, const QString &dataFolder);

// One running front end per user: a lock file in a private folder (GuardFolder) guards a
// local socket there. A later start asks the first one to show its window and open its
// paths, then exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first instance (it then listens for later starts).
    bool becomePrimary();
    // Asks the running instance to show itself and open the paths (absolute ones); true
    // when it answered.
    bool notifyPrimary(int timeoutMs = 2000, const QStringList &paths = {});

signals:
    void showRequested();
    // A later start's paths, checked against the hand-over's caps only.
    void openRequested(const QStringList &paths);

private:
    QString m_name;
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};

} // namespace platform
