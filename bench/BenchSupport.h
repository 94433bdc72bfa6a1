#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <cstdio>
#include <unistd.h>

// Spins the event loop until done() or timeoutMs; false at the timeout.
template <typename F> bool WaitFor(F done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        usleep(500);
    }
    return true;
}

// One "FIGURE <name> <value>..." line, the form bench/compare.sh reads.
inline void PrintFigure(const char *name, const QList<double> &values) {
    std::printf("FIGURE %s", name);
    for (double value : values)
        std::printf(" %.3f", value);
    std::printf("\n");
    std::fflush(stdout);
}
