#include <algorithm>
#include <vector>

#include "java_probe.h"
#include "native_log.h"

namespace {

// Executables whose JVM library could not be loaded in this process; the list only grows.
std::vector<std::string>& nonWorkingJavas() {
    static std::vector<std::string> list;
    return list;
}

}  // namespace

bool addNonWorkingJava(const std::string& javaExe) {
    NativeLog::log(L"add non-working java %S", javaExe.c_str());
    nonWorkingJavas().push_back(javaExe);
    return nonWorkingJavas().size() < kNonWorkingJavaLimit;
}

bool isNonWorkingJava(const std::string& javaExe) {
    const std::vector<std::string>& list = nonWorkingJavas();
    return std::find(list.begin(), list.end(), javaExe) != list.end();
}
