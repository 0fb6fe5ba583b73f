// The launcher's diagnostic trace: one time-stamped UTF-8 line per event.
#pragma once

#include <cstdarg>
#include <string>

namespace NativeLog {

// Formats are UTF-16 printf-style: "%s" takes a UTF-16 string, "%S" an 8-bit string.
void log(const wchar_t* format, ...);
void error(const wchar_t* format, ...);

// The log file's path, or nullptr when there is none. Asking keeps the file after the process ends.
const wchar_t* path();

// Deletes the log file unless it was requested or its path was handed out.
void removeAtExit();

}  // namespace NativeLog

// Formats with the system C runtime's wide rules ("%s" UTF-16, "%S" 8-bit) into a growable string.
std::wstring formatWide(const wchar_t* format, ...);
std::wstring formatWideV(const wchar_t* format, va_list args);
