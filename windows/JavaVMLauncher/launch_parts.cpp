#include "launch_parts.h"

#include <windows.h>

#include <climits>
#include <cstring>

#include "appended_block.h"
#include "command_line.h"
#include "launcher_variables.h"
#include "paths.h"
#include "process_environment.h"
#include "temp_base.h"

namespace {

std::string property(const char* name, const std::string& value) {
    std::string option = "-D";
    option.append(name).append(1, '=').append(value);
    return option;
}

// A configured log file name: expanded, and made a full path unless it names a variable.
std::wstring logFileArgument(int32_t enabledId, int32_t nameId) {
    if (getConfigInt(enabledId) == 0) return {};
    std::wstring name = widenBytes(dupConfigString(nameId));
    expandLauncherVariables(name, VariableForm::Plain);
    if (name.empty() || name[0] == L'$') return name;
    return fullPath(name, DirectoryForm::Long, PathCase::Keep);
}

}  // namespace

int64_t parseMemorySize(const char* text) {
    if (!text || *text < '0' || *text > '9') return -1;
    int64_t value = 0;
    bool saturated = false;
    const char* p = text;
    for (; *p >= '0' && *p <= '9'; ++p) {
        int digit = *p - '0';
        if (value > (INT64_MAX - digit) / 10) saturated = true;
        else value = value * 10 + digit;
    }
    if (saturated) value = INT64_MAX;
    int shift = 0;
    switch (*p) {
        case 0: return value;
        case 'k': case 'K': shift = 10; break;
        case 'm': case 'M': shift = 20; break;
        case 'g': case 'G': shift = 30; break;
        case 't': case 'T': shift = 40; break;
        default: return -1;
    }
    if (p[1] != 0) return -1;
    return value > (INT64_MAX >> shift) ? INT64_MAX : value << shift;
}

uint32_t stackSizeFromOptions(const std::vector<std::string>& options) {
    int64_t size = 0;
    for (const std::string& option : options) {
        if (option.rfind("-Xss", 0) != 0) continue;
        int64_t parsed = parseMemorySize(option.c_str() + 4);
        if (parsed > 0) size = parsed;
    }
    if (size == 0) return 0;
    if (size < 65536) return 65536;
    return size > UINT32_MAX ? UINT32_MAX : (uint32_t)size;
}

std::vector<std::string> launcherSystemProperties(const std::string& semaphoreName) {
    std::vector<std::string> properties;
    if (!semaphoreName.empty()) properties.push_back(property("zolta.semaphoreName", semaphoreName));
    if (launchState().manualRuntime) properties.push_back(property("zolta.manualJre", "true"));
    if (dupConfigString(2001).starts_with("i")) properties.push_back(property("zolta.isTarvelink", "true"));
    properties.push_back(property("zolta.moduleName", launcherPath()));
    properties.push_back(property("sun.java.command", launcherPath()));
    properties.push_back(property("zolta.tempDir", launcherTempDir()));
    properties.push_back(property("zolta.unextractedPosition", std::to_string(getUnextractedPosition())));
    // The whole PATH: a cut one would hide the native library folders that stand at its end.
    properties.push_back(property("java.library.path", currentPath()));
    if (GetEnvironmentVariableA("MANPATH", nullptr, 0) == 0)
        properties.push_back(property("zolta.consoleCodepage", "cp" + std::to_string(GetConsoleOutputCP())));
    return properties;
}

ArgumentList mainArguments(const ArgumentList& launchArguments) {
    ArgumentList arguments;
    arguments.push_back(getConfigInt(107) == 1 ? L"true" : L"false");
    std::wstring mainClass = widenBytes(dupConfigString(122));
    if (getConfigInt(133) != 0) mainClass.insert(0, 1, L'/');
    arguments.push_back(mainClass);
    arguments.push_back(logFileArgument(102, 103));
    arguments.push_back(logFileArgument(104, 105));
    arguments.push_back(getConfigInt(106) != 0 ? L"true" : L"false");
    arguments.push_back(launchArguments.empty() ? std::wstring() : launchArguments[0]);
    std::wstring configured = widenBytes(dupConfigString(124).substr(0, 1999));
    expandLauncherVariables(configured, VariableForm::Plain);
    splitCommandLine(configured, arguments);
    const bool dropJ = getConfigInt(125) != 0;
    for (size_t i = 1; i < launchArguments.size(); ++i) {
        const std::wstring& argument = launchArguments[i];
        if (dropJ && argument.starts_with(L"-J")) continue;
        if (argument.starts_with(L"-Dsun.locale.formatasdefault=")) continue;
        arguments.push_back(argument);
    }
    return arguments;
}
