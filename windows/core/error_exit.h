// Showing failures to the user and leaving the process.
#pragma once

#include <cstdint>

void showError(const wchar_t* text);
void showErrorMessage(int32_t id, const wchar_t* parameter = nullptr);
void showErrorMessageA(int32_t id, const char* parameter = nullptr);

[[noreturn]] void exitLauncher(int code);
[[noreturn]] void fatalText(const wchar_t* text);
[[noreturn]] void fatalMessage(int32_t id);
[[noreturn]] void fatalMessageWithText(int32_t id, const wchar_t* parameter = nullptr);
[[noreturn]] void fatalMessageWithTextA(int32_t id, const char* parameter = nullptr);

// Progress output for quiet mode; the caller supplies its own line feed.
void writeConsoleText(const char* text);
