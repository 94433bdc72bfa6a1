#pragma once

#include <QList>
#include <cstdio>

// One "FIGURE <name> <value>..." line, the form bench/compare.sh reads.
inline void PrintFigure(const char *name, const QList<double> &values) {
    std::printf("FIGURE %s", name);
    for (double value : values)
        std::printf(" %.3f", value);
    std::printf("\n");
    std::fflush(stdout);
}
