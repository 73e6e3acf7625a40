#pragma once

// The pass/fail reporting shared by the Windows test drivers that run under wine.

#include <cstdio>

namespace winecheck {

inline int &failures() {
    static int count = 0;
    return count;
}

// Prints one result line; a driver exits non-zero when any check failed.
inline void check(bool ok, const char *what) {
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what);
    std::fflush(stdout);
    if (!ok)
        ++failures();
}

} // namespace winecheck
