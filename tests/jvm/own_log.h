// The native log of this test program: every jvm_test process asks for one before its first line.
#pragma once

#include <string>

#include "native_log.h"
#include "test_support.h"

inline std::string logText() {
    const wchar_t* path = NativeLog::path();
    return path ? testing_support::readFile(path) : std::string();
}

// The lines written since the mark: logSince(logText().size()).
inline std::string logSince(size_t mark) {
    std::string text = logText();
    return text.size() > mark ? text.substr(mark) : std::string();
}
