// What every fuzz target does with its check: a broken rule aborts with what
// broke, so that libFuzzer keeps the input as a crash.
#pragma once

#include "fuzzchecks.h"

#include <cstdio>
#include <cstdlib>

inline int runFuzzCheck(QString (*check)(const std::uint8_t *, std::size_t), const std::uint8_t *data, std::size_t size)
{
    const QString failure = check(data, size);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", failure.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
