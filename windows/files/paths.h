// Path operations shared by every part of the launcher. Every path exists in an 8-bit form (the code
// page of the file functions, for 8-bit Windows calls and for JVM options) and a UTF-16 form; most
// operations come in both.
#pragma once

#include <windows.h>

#include <string>

// --- Path texts (path_text.cpp) ---

// True for paths shorter than 3 characters; a leading double quote is skipped (the path then needs 4).
// False for "X:\..." and for paths beginning with two backslashes; true otherwise, so "C:/x" and "\x"
// count as relative.
bool isRelativePath(const char* path);
bool isRelativePath(const wchar_t* path);

// In place: every run of backslashes becomes one, except that a run of two or more at the very start
// becomes exactly two (a network path keeps its prefix). Returns the new length.
size_t collapseBackslashes(char* path);
size_t collapseBackslashes(wchar_t* path);
size_t collapseBackslashes(std::string& path);
size_t collapseBackslashes(std::wstring& path);

// At least 5 characters, the last four ".exe" in any case.
bool endsWithExe(const char* path);

// Lower-cases A to Z only. The 8-bit form goes through UTF-16 (a double-byte code page may hold
// letters as trailing bytes) and is changed only when converting back is lossless.
void toLowerPath(std::wstring& path);
void toLowerPath(std::string& path);

// --- Existence (path_exists.cpp) ---

// True for drive roots ("C:\", "C:\.", "C:\.\.") and for paths whose exact directory listing finds an entry.
bool pathExists(const wchar_t* path);
bool pathExists(const char* path);
bool pathExistsA(const char* path);
// As pathExists, also giving the entry's last-write time (zero for a drive root).
bool lastWriteTime(const wchar_t* path, FILETIME* time);
bool lastWriteTime(const char* path, FILETIME* time);

// --- 8-bit conversions (ansi_path.cpp) ---

// The code page of the file functions: OEM when they are switched to OEM, else ANSI.
UINT filePathCodePage();
// UTF-16 to the file functions' code page, without best-fit mapping and with "?" for what the code page
// lacks; `lossless` tells whether every character survived. Empty or failed conversions give "" and loss.
std::string toAnsiPath(const std::wstring& path, bool* lossless = nullptr);
// The reverse: an 8-bit path in the file functions' code page as UTF-16.
std::wstring fromAnsiPath(const std::string& path);
// 8-bit text widened byte by byte, each byte becoming the code unit of the same value.
std::wstring widenBytes(const std::string& text);

// --- The launcher's own path (launcher_path.cpp), computed once ---

// The 8-bit path of the executable, ending in ".exe": the long path when the code page can hold it,
// else a short form.
const std::string& launcherPath();
// The long UTF-16 path of the executable.
const std::wstring& launcherLongPath();

// Which UTF-16 form of the launcher's directory a caller wants.
enum class DirectoryForm {
    Widened,  // the 8-bit directory converted back: survives a later conversion to 8 bits (VM options)
    Long,     // the directory of the long UTF-16 path
};
// The launcher's directory with a trailing backslash, 8-bit or in the UTF-16 form asked for.
const std::string& launcherDirectory();
const std::wstring& launcherDirectory(DirectoryForm form);
// The long form's directory, as launcherDirectory(DirectoryForm::Long).
std::wstring launcherLongDirectory();

// --- Resolution (resolve_path.cpp) ---

// A relative path is prefixed with the directory of `baseFile` (its full path, file part cut) or,
// without one, with the launcher's directory; then backslash runs are collapsed.
std::string resolvePath(const std::string& path, const char* baseFile = nullptr);
std::wstring resolvePath(const std::wstring& path, DirectoryForm form, const wchar_t* baseFile = nullptr);

// The system's full path of `path` taken against the current directory; "" when it has none.
std::string fullPathFromCurrentDirectory(const std::string& path);
std::wstring fullPathFromCurrentDirectory(const std::wstring& path);
// The current directory, without a trailing backslash unless it is a root.
std::string currentDirectory();
std::wstring currentDirectoryW();

enum class PathCase { Lower, Keep };
// resolvePath against the launcher's directory, then the system's full path, lower-cased A to Z
// unless the case is kept, and backslash runs collapsed.
std::string fullPath(const std::string& path, PathCase letterCase = PathCase::Lower);
std::wstring fullPath(const std::wstring& path, DirectoryForm form, PathCase letterCase = PathCase::Lower);

// --- Short names from the command interpreter (shell_short_name.cpp) ---

// Asks cmd.exe for the short 8-bit form of `path`; "" when it gives no answer.
std::string shortNameViaShell(const std::wstring& path);
