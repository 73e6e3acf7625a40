#pragma once

// The pass/fail reporting and key sending shared by the Windows test drivers that run
// under wine.

#include <windows.h>

#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <vector>

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

inline INPUT keyInput(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// Presses the keys in order and releases them in reverse order, as a person holds a
// combination.
inline void pressCombination(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (const WORD vk : keys)
        inputs.push_back(keyInput(vk, false));
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
        inputs.push_back(keyInput(*it, true));
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

} // namespace winecheck
