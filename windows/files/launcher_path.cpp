#include "paths.h"

#include <vector>

#include "launch_state.h"
#include "native_log.h"

namespace {

struct LauncherPaths {
    std::wstring longPath;
    std::string path;
    std::string directory;
    std::wstring widenedDirectory;
    std::wstring longDirectory;
};

std::wstring shortFormW(const std::wstring& path) {
    std::vector<wchar_t> buffer(kTextUnits);
    DWORD n = GetShortPathNameW(path.c_str(), buffer.data(), (DWORD)buffer.size());
    return n > 0 && n < buffer.size() ? std::wstring(buffer.data(), n) : std::wstring();
}

// The 8-bit path when the long path survives the code page; else the first short form that does.
std::string ansiLauncherPath(const std::wstring& longPath) {
    bool lossless = false;
    std::string path = toAnsiPath(longPath, &lossless);
    if (lossless && endsWithExe(path.c_str())) return path;

    path = toAnsiPath(shortFormW(longPath), &lossless);
    if (lossless && endsWithExe(path.c_str())) return path;

    path = shortNameViaShell(longPath);
    if (endsWithExe(path.c_str())) return path;

    std::vector<char> module(kTextUnits), shortForm(kTextUnits);
    DWORD n = GetModuleFileNameA(nullptr, module.data(), (DWORD)module.size());
    module[n < module.size() ? n : module.size() - 1] = 0;
    n = GetShortPathNameA(module.data(), shortForm.data(), (DWORD)shortForm.size());
    return n > 0 && n < shortForm.size() ? std::string(shortForm.data(), n) : std::string();
}

template <typename Text>
Text directoryOf(const Text& path) {
    size_t slash = path.find_last_of('\\');
    return slash == Text::npos ? Text() : path.substr(0, slash + 1);
}

// Computed at the first call, on the main thread before any other thread exists.
const LauncherPaths& launcherPaths() {
    static LauncherPaths p;
    static bool computed = false;
    if (computed) return p;
    computed = true;

    std::vector<wchar_t> module(kTextUnits), longForm(kTextUnits);
    DWORD n = GetModuleFileNameW(nullptr, module.data(), (DWORD)module.size());
    module[n < module.size() ? n : module.size() - 1] = 0;
    DWORD m = GetLongPathNameW(module.data(), longForm.data(), (DWORD)longForm.size());
    DWORD error = GetLastError();
    if (m == 0 || m >= longForm.size()) longForm[0] = 0;
    NativeLog::log(L"init file name %s %s %d %d", module.data(), longForm.data(), (int)m, (int)error);
    p.longPath = longForm[0] ? std::wstring(longForm.data()) : std::wstring(module.data());

    std::string path = ansiLauncherPath(p.longPath);
    collapseBackslashes(p.longPath);
    p.longDirectory = directoryOf(p.longPath);

    // The 8-bit path is cut and collapsed as UTF-16: in a double-byte code page a trailing byte may
    // look like a backslash.
    std::wstring wide = fromAnsiPath(path);
    collapseBackslashes(wide);
    bool lossless = false;
    std::string collapsed = toAnsiPath(wide, &lossless);
    p.path = lossless ? collapsed : path;
    p.widenedDirectory = directoryOf(fromAnsiPath(p.path));
    std::string directory = toAnsiPath(p.widenedDirectory, &lossless);
    p.directory = lossless ? directory : directoryOf(p.path);
    return p;
}

}  // namespace

const std::string& launcherPath() { return launcherPaths().path; }
const std::wstring& launcherLongPath() { return launcherPaths().longPath; }
const std::string& launcherDirectory() { return launcherPaths().directory; }

const std::wstring& launcherDirectory(DirectoryForm form) {
    return form == DirectoryForm::Widened ? launcherPaths().widenedDirectory : launcherPaths().longDirectory;
}

std::wstring launcherLongDirectory() { return launcherDirectory(DirectoryForm::Long); }
