// Paths of the launcher itself and existence tests, in UTF-16 and 8-bit forms.
#pragma once

#include <string>

// The long UTF-16 path of the running executable, computed once.
const std::wstring& launcherLongPath();
// The directory of the long path, with a trailing backslash.
std::wstring launcherLongDirectory();

// True for drive roots and for paths whose exact directory listing finds an entry.
bool pathExists(const wchar_t* path);
bool pathExistsA(const char* path);

// UTF-16 to the 8-bit code page of the file functions; `lossless` tells whether every character survived.
std::string toAnsiPath(const std::wstring& path, bool* lossless = nullptr);
// 8-bit text widened byte by byte, each byte becoming the code unit of the same value.
std::wstring widenBytes(const std::string& text);
