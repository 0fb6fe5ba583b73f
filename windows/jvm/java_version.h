// Java version texts (1.8.0_45, 11.0.2, 17.0.2+8, 21-ea) and the comparisons made with them.
#pragma once

#include <cstdint>
#include <vector>

struct JavaVersion {
    std::vector<int32_t> components;

    static JavaVersion parse(const char* text);
    // Only as many components are compared as the bound has. Without `prefixMode` a candidate
    // that runs out of components counts them as 0; with it, it passes at that point.
    static bool meetsBound(const JavaVersion& candidate, const JavaVersion& bound, bool isMaximum, bool prefixMode);
    // The feature release: 8 for 1.8.0_45, 11 for 11.0.2; -1 for an empty version.
    static int featureNumber(const JavaVersion& version);
};

// The configured minimum (entry 126) and maximum (entry 127); an empty version is no bound.
struct VersionBounds {
    JavaVersion minimum;
    JavaVersion maximum;
};

// Reads and logs the configured bounds of one search.
VersionBounds readVersionBounds();

// For texts that only name a version line (registry keys): a bound is met once the text runs out.
bool isVersionInRange(const char* text, const VersionBounds& bounds);
// For versions a Java executable reported: pre-release rule, then both bounds in full.
bool isAcceptableVersion(const char* text, const VersionBounds& bounds, bool allowPreRelease);
// True when a is strictly newer than b.
bool isNewerVersion(const char* a, const char* b);
