// Option lines, VM options files and the file beside the executable.
#include <share.h>
#include <windows.h>

#include <cstring>
#include <string_view>

#include "launcher_variables.h"
#include "native_log.h"
#include "paths.h"
#include "vm_options.h"

namespace {

// Lines of an options file longer than this many bytes are cut into pieces.
constexpr size_t kLineBytes = 29999;
// Files that include each other would never end; deeper includes are skipped.
constexpr int kMaxIncludeDepth = 32;
int includeDepth = 0;

constexpr std::wstring_view kIncludeOptions = L"-include-options ";
constexpr std::wstring_view kClassPath = L"-classpath ";
constexpr std::wstring_view kClassPathPrefix = L"-classpath/p ";
constexpr std::wstring_view kClassPathSuffix = L"-classpath/a ";

FILE* openOptionsFile(const std::wstring& path) { return _wfsopen(path.c_str(), L"rt", _SH_DENYNO); }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void includeOptionsFile(std::wstring name, const wchar_t* baseFile, VmOptionList& options, ClassPathEdits& edits) {
    std::wstring original = name;
    expandLauncherVariables(name, VariableForm::Plain);
    NativeLog::log(L"after exp from %s %s", original.c_str(), name.c_str());
    std::wstring resolved = resolvePath(name, DirectoryForm::Long, baseFile);
    FILE* file = includeDepth < kMaxIncludeDepth ? openOptionsFile(resolved) : nullptr;
    if (includeDepth >= kMaxIncludeDepth) NativeLog::error(L"vmoptions nested too deeply: %s", resolved.c_str());
    NativeLog::log(L"adding vmoptions from (%p) <%s> (%s)", (void*)file, resolved.c_str(), name.c_str());
    if (file) {
        ++includeDepth;
        readVmOptionsFile(file, resolved.c_str(), options, edits);
        --includeDepth;
    }
    NativeLog::log(L"adding vmoptions 2");
    NativeLog::log(L"adding vmoptions 3");
}

}  // namespace

void addOptionTokens(const ArgumentList& tokens, VmOptionList& options, ClassPathEdits& edits) {
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i] == L"-include-options" && i + 1 < tokens.size()) {
            std::wstring line = tokens[i];
            line.push_back(L' ');
            line.append(tokens[++i]);
            addOptionLine(line, nullptr, options, edits);
        } else {
            addOptionLine(tokens[i], nullptr, options, edits);
        }
    }
}

void addOptionLine(const std::wstring& line, const wchar_t* baseFile, VmOptionList& options, ClassPathEdits& edits) {
    std::wstring_view text = line;
    if (text.starts_with(kIncludeOptions)) {
        includeOptionsFile(std::wstring(text.substr(kIncludeOptions.size())), baseFile, options, edits);
    } else if (text.starts_with(kClassPath)) {
        edits.replacement = toAnsiPath(std::wstring(text.substr(kClassPath.size())));
    } else if (text.starts_with(kClassPathPrefix)) {
        edits.prefix = toAnsiPath(std::wstring(text.substr(kClassPathPrefix.size())));
    } else if (text.starts_with(kClassPathSuffix)) {
        edits.suffix = toAnsiPath(std::wstring(text.substr(kClassPathSuffix.size())));
    } else {
        options.push_back(toAnsiPath(line));
    }
}

void readVmOptionsFile(FILE* file, const wchar_t* path, VmOptionList& options, ClassPathEdits& edits) {
    std::string buffer(kLineBytes + 1, '\0');
    while (fgets(buffer.data(), (int)buffer.size(), file)) {
        std::string_view line(buffer.data(), strlen(buffer.data()));
        while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
        while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
        if (line.empty() || line.front() == '#') continue;
        std::wstring wide;
        wide.reserve(line.size());
        for (char c : line) wide.push_back((wchar_t)(unsigned char)c);
        expandLauncherVariables(wide, VariableForm::VmOptions);
        addOptionLine(wide, path, options, edits);
    }
    fclose(file);
}

FILE* findDefaultVmOptionsFile() {
    std::wstring modulePath(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, modulePath.data(), (DWORD)modulePath.size());
        if (n < modulePath.size()) {
            modulePath.resize(n);
            break;
        }
        modulePath.resize(modulePath.size() * 2);
    }
    for (const std::wstring& exe : {launcherLongPath(), modulePath}) {
        if (exe.size() > 4) {
            std::wstring name = exe.substr(0, exe.size() - 4);
            name.append(L".vmoptions");
            FILE* file = openOptionsFile(name);
            NativeLog::log(L"vmoptions2: exe %s file: %s, file: %p", exe.c_str(), name.c_str(), (void*)file);
            if (file) return file;
        }
        std::wstring name = exe;
        name.append(L".vmoptions");
        FILE* file = openOptionsFile(name);
        NativeLog::log(L"vmoptions: opts2: %s, file: %p", name.c_str(), (void*)file);
        if (file) return file;
    }
    return nullptr;
}
