#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The longest time the event loop did not get round to a 10 ms timer: how long the window
// froze while the meter lived. Shared by the hostile-input tests and their benchmark.
class FreezeMeter {
public:
    FreezeMeter() {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = qMax(m_longest, m_clock.restart()); });
        m_timer.start(10);
    }
    qint64 Longest() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};
