#include "launcher_variables.h"

#include <windows.h>

#include <cstring>
#include <string_view>

#include "native_log.h"
#include "paths.h"
#include "temp_base.h"

namespace {

std::string javaHome, javaVersion;

// The names of the five fixed variables, in the order they are replaced.
enum Variable { kExeDir, kTempDir, kSeparator, kJvmHome, kTempBase };

struct FixedName {
    const char* name;
    Variable variable;
};

constexpr FixedName kFixedNames[] = {
    {"%ZOLTA_EXEDIR%", kExeDir},
    {"%TARVELINK_EXEDIR%", kExeDir},
    {"%ZOLTA_TEMPDIR%", kTempDir},
    {"%TARVELINK_TEMPDIR%", kTempDir},
    {"%ZOLTA_PATHLIST_SEPARATOR%", kSeparator},
    {"%TARVELINK_PATHLIST_SEPARATOR%", kSeparator},
    {"%ZOLTA_JVM_HOME%", kJvmHome},
    {"%TARVELINK_JVM_HOME%", kJvmHome},
    {"${ZOLTA_EXEDIR}", kExeDir},
    {"${TARVELINK_EXEDIR}", kExeDir},
    {"${ZOLTA_TEMPDIR}", kTempDir},
    {"${TARVELINK_TEMPDIR}", kTempDir},
    {"${ZOLTA_PATHLIST_SEPARATOR}", kSeparator},
    {"${TARVELINK_PATHLIST_SEPARATOR}", kSeparator},
    {"${ZOLTA_JVM_HOME}", kJvmHome},
    {"${TARVELINK_JVM_HOME}", kJvmHome},
    {"${launcher:sys.launcherDirectory}", kExeDir},
    {"${launcher:sys.launcherTempDirectory}", kTempDir},
    {"${launcher:sys.pathlistSeparator}", kSeparator},
    {"${launcher:sys.jvmHome}", kJvmHome},
    {"${launcher:sys.tempDir}", kTempBase},
};

template <typename Char>
std::basic_string<Char> asText(const char* ascii) {
    return std::basic_string<Char>(ascii, ascii + strlen(ascii));
}

void logReplacement(const std::wstring& variable, const std::wstring& value, const std::wstring& text) {
    NativeLog::log(L"expanding2 %s to %s in %s.", variable.c_str(), value.c_str(), text.c_str());
}

void logReplacement(const std::string& variable, const std::string& value, const std::string& text) {
    NativeLog::log(L"expanding2 %S to %S in %S.", variable.c_str(), value.c_str(), text.c_str());
}

// Every occurrence is replaced; the search goes on after the inserted value, so a value is never
// expanded by the variable it replaced.
template <typename Char>
void replaceVariable(std::basic_string<Char>& text, const std::basic_string<Char>& variable,
                     const std::basic_string<Char>& value) {
    for (size_t at = text.find(variable); at != std::basic_string<Char>::npos; at = text.find(variable, at)) {
        text.replace(at, variable.size(), value);
        at += value.size();
        logReplacement(variable, value, text);
    }
}

template <typename Char>
std::basic_string<Char> upperAscii(std::basic_string<Char> text) {
    for (Char& c : text)
        if (c >= 'a' && c <= 'z') c = (Char)(c - 'a' + 'A');
    return text;
}

// Environment references, in the order of the process's environment block.
template <typename Char>
void expandEnvironment(std::basic_string<Char>& text, const Char* block) {
    for (const Char* entry = block; *entry; entry += std::basic_string_view<Char>(entry).size() + 1) {
        std::basic_string_view<Char> line(entry);
        size_t eq = line.find('=');
        if (eq == 0 || eq == std::basic_string_view<Char>::npos) continue;  // "=C:=..." names no variable
        std::basic_string<Char> name(line.substr(0, eq)), value(line.substr(eq + 1));
        replaceVariable(text, asText<Char>("${") + name + asText<Char>("}"), value);
        replaceVariable(text, asText<Char>("${") + upperAscii(name) + asText<Char>("}"), value);
    }
}

std::string withoutTrailingBackslash(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

void expandLauncherVariables(std::wstring& text, VariableForm form) {
    const bool vmOptions = form == VariableForm::VmOptions;
    const std::wstring exeDir = launcherDirectory(vmOptions ? DirectoryForm::Widened : DirectoryForm::Long);
    const std::wstring tempBase = vmOptions ? fromAnsiPath(getTempBase()) : getTempBaseW(true);
    const std::wstring values[] = {exeDir, widenBytes(withoutTrailingBackslash(launcherTempDir())), L";",
                                   widenBytes(javaHome), tempBase};
    for (const FixedName& fixed : kFixedNames) replaceVariable(text, asText<wchar_t>(fixed.name), values[fixed.variable]);
    wchar_t* block = GetEnvironmentStringsW();
    if (block) {
        expandEnvironment(text, (const wchar_t*)block);
        FreeEnvironmentStringsW(block);
    }
}

void expandLauncherVariablesAnsi(std::string& text) {
    const std::string exeDir = launcherDirectory();
    const std::string tempBase = getTempBase();
    const std::string values[] = {exeDir, withoutTrailingBackslash(launcherTempDir()), ";", javaHome, tempBase};
    for (const FixedName& fixed : kFixedNames) replaceVariable(text, std::string(fixed.name), values[fixed.variable]);
    char* block = GetEnvironmentStringsA();
    if (block) {
        expandEnvironment(text, (const char*)block);
        FreeEnvironmentStringsA(block);
    }
}

void recordSelectedRuntime(const std::string& javaExe, const std::string& version) {
    std::string home = javaExe;
    for (const char* name : {"javaw.exe", "java.exe"}) {
        size_t n = strlen(name);
        if (home.size() >= n && _stricmp(home.c_str() + home.size() - n, name) == 0) {
            home.erase(home.size() - n);
            break;
        }
    }
    home.append(2, '.');
    javaHome = std::move(home);
    javaVersion = version;
}

const std::string& selectedJavaHome() { return javaHome; }
const std::string& selectedJavaVersion() { return javaVersion; }
