// The report that the stand-in JVM writes: "key=value" lines, read in order and by key.
#pragma once

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace testing_support {

struct Report {
    std::vector<std::pair<std::string, std::string>> lines;
    std::vector<std::string> all(const std::string& key) const {
        std::vector<std::string> values;
        for (const auto& [k, v] : lines)
            if (k == key) values.push_back(v);
        return values;
    }
    std::string first(const std::string& key) const {
        auto values = all(key);
        return values.empty() ? std::string() : values[0];
    }
    bool has(const std::string& key, const std::string& value) const {
        for (const auto& [k, v] : lines)
            if (k == key && v == value) return true;
        return false;
    }
    // The value of a system property at the last writing of the report.
    std::string property(const std::string& name) const {
        std::string found;
        for (const auto& [k, v] : lines)
            if (k == "property" && v.rfind(name + "=", 0) == 0) found = v.substr(name.size() + 1);
        return found;
    }
};

inline Report readReport(const fs::path& path) {
    Report report;
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) report.lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return report;
}

}  // namespace testing_support
