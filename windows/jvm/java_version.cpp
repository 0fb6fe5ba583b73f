#include "java_version.h"

#include <climits>
#include <cstring>
#include <string>

#include "appended_block.h"
#include "native_log.h"

namespace {

bool isSeparator(char c) { return c == '.' || c == '_' || c == '-' || c == '+'; }

// The leading decimal digits of a token, after blanks; no digits give 0, too many the largest value.
int32_t tokenValue(const char* token, size_t length) {
    size_t i = 0;
    while (i < length && (token[i] == ' ' || (token[i] >= '\t' && token[i] <= '\r'))) ++i;
    int64_t value = 0;
    for (; i < length && token[i] >= '0' && token[i] <= '9'; ++i) {
        value = value * 10 + (token[i] - '0');
        if (value > INT32_MAX) return INT32_MAX;
    }
    return (int32_t)value;
}

}  // namespace

JavaVersion JavaVersion::parse(const char* text) {
    JavaVersion version;
    if (!text) return version;
    for (const char* p = text; *p;) {
        if (isSeparator(*p)) {
            ++p;
            continue;
        }
        const char* end = p;
        while (*end && !isSeparator(*end)) ++end;
        version.components.push_back(tokenValue(p, (size_t)(end - p)));
        p = end;
    }
    return version;
}

bool JavaVersion::meetsBound(const JavaVersion& candidate, const JavaVersion& bound, bool isMaximum, bool prefixMode) {
    for (size_t i = 0; i < bound.components.size(); ++i) {
        if (i >= candidate.components.size() && prefixMode) return true;
        int32_t have = i < candidate.components.size() ? candidate.components[i] : 0;
        int32_t limit = bound.components[i];
        if (have != limit) return isMaximum ? have < limit : have > limit;
    }
    return true;
}

int JavaVersion::featureNumber(const JavaVersion& version) {
    const std::vector<int32_t>& c = version.components;
    if (c.empty()) return -1;
    return c[0] == 1 && c.size() > 1 ? c[1] : c[0];
}

VersionBounds readVersionBounds() {
    std::string minimum = dupConfigString(126), maximum = dupConfigString(127);
    NativeLog::log(L"MinVersion: %S, MaxVersion: %S", minimum.c_str(), maximum.c_str());
    return {JavaVersion::parse(minimum.c_str()), JavaVersion::parse(maximum.c_str())};
}

bool isVersionInRange(const char* text, const VersionBounds& bounds) {
    JavaVersion version = JavaVersion::parse(text);
    return JavaVersion::meetsBound(version, bounds.minimum, false, true) &&
           JavaVersion::meetsBound(version, bounds.maximum, true, true);
}

bool isAcceptableVersion(const char* text, const VersionBounds& bounds, bool allowPreRelease) {
    if (!allowPreRelease && getConfigInt(130) == 0 && text &&
        (strstr(text, "beta") || strstr(text, "-ea") || strstr(text, "-rc"))) {
        NativeLog::log(L"beta vm not allowed");
        return false;
    }
    JavaVersion version = JavaVersion::parse(text);
    return JavaVersion::meetsBound(version, bounds.minimum, false, false) &&
           JavaVersion::meetsBound(version, bounds.maximum, true, false);
}

bool isNewerVersion(const char* a, const char* b) {
    JavaVersion newer = JavaVersion::parse(a), older = JavaVersion::parse(b);
    for (size_t i = 0; i < newer.components.size(); ++i) {
        if (i >= older.components.size()) return true;
        if (newer.components[i] != older.components[i]) return newer.components[i] > older.components[i];
    }
    return false;
}
