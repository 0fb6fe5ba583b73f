#include "command_line.h"

#include <windows.h>

namespace {

constexpr size_t npos = std::wstring_view::npos;

size_t earliest(size_t a, size_t b) { return a < b ? a : b; }

}  // namespace

void splitCommandLine(std::wstring_view text, ArgumentList& arguments) {
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == L' ') {
            ++at;
            continue;
        }
        std::wstring_view rest = text.substr(at);
        size_t space = rest.find(L' ');
        size_t doubleQuote = rest.find(L'"');
        size_t singleQuote = rest.find(L'\'');
        size_t quote = earliest(doubleQuote, singleQuote);
        if (space == npos && quote == npos) {
            arguments.emplace_back(rest);
            return;
        }
        if (space < quote) {
            arguments.emplace_back(rest.substr(0, space));
            at += space + 1;
            continue;
        }
        wchar_t delimiter = doubleQuote < singleQuote ? L'"' : L'\'';
        size_t open = delimiter == L'"' ? doubleQuote : singleQuote;
        size_t close = rest.find(delimiter, open + 1);
        std::wstring argument(rest.substr(0, open));  // text before an inner quote, as in name="a b"
        argument += rest.substr(open + 1, close == npos ? npos : close - open - 1);
        arguments.push_back(std::move(argument));
        if (close == npos) return;
        at += close + 1;
        if (at < text.size() && text[at] == L' ') ++at;
    }
}

bool attachConsole() {
    launchState().consoleAttached = true;
    using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
    auto attach = (AttachConsoleFn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AttachConsole");
    if (attach) {
        if (attach(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED) return true;
    }
    return AllocConsole() != FALSE;
}
