#include "locale_selection.h"

#include <windows.h>

#include "locale_table.h"
#include "native_log.h"

namespace {

std::string language = "en";
std::string country;

const std::wstring_view kFormatOption = L"-Dsun.locale.formatasdefault=";
const std::wstring_view kFormatOptionTrue = L"-Dsun.locale.formatasdefault=true";
const std::wstring_view kLanguageOption = L"-Dtarvelink.language=";

// A language code is short ASCII text; anything longer or wider is no code and is ignored.
bool isPlausibleLanguageCode(std::wstring_view value) {
    if (value.size() > 15) return false;
    for (wchar_t c : value)
        if (c > 0x7F) return false;
    return true;
}

// Bound by name, as older systems lack it; looked up once.
std::optional<uint16_t> userUiLanguage() {
    using UiLanguageFn = LANGID(WINAPI*)();
    static const UiLanguageFn function = [] {
        HMODULE kernel = GetModuleHandleW(L"Kernel32.DLL");
        return kernel ? (UiLanguageFn)(void*)GetProcAddress(kernel, "GetUserDefaultUILanguage") : nullptr;
    }();
    if (!function) return std::nullopt;
    return (uint16_t)function();
}

}  // namespace

std::string selectLocaleFor(const ArgumentList* arguments, std::optional<uint16_t> uiLanguage,
                            uint16_t formatLocale) {
    uint16_t candidate = formatLocale;
    bool formatAsDefault = false;
    if (arguments) {
        std::string manual;
        bool manualFound = false;
        for (const std::wstring& argument : *arguments) {
            if (argument == kFormatOptionTrue) formatAsDefault = true;
            else if (argument.starts_with(kFormatOption)) formatAsDefault = false;
            if (argument.starts_with(kLanguageOption) && isPlausibleLanguageCode(argument.substr(kLanguageOption.size()))) {
                manual.clear();
                for (size_t i = kLanguageOption.size(); i < argument.size(); ++i) manual.push_back((char)argument[i]);
                manualFound = true;
            }
        }
        NativeLog::log(L"sun.locale.formatasdefault is %S", formatAsDefault ? "true" : "false");
        if (manualFound) {
            NativeLog::log(L"manual language/country is %S", manual.c_str());
            return manual;
        }
    }
    if (!formatAsDefault && uiLanguage) candidate = *uiLanguage;
    const char* code = findLocaleCode(candidate);
    std::string chosen = code ? code : "en";
    NativeLog::log(L"language/country is %S", chosen.c_str());
    return chosen;
}

std::string selectLocale(const ArgumentList* arguments) {
    return selectLocaleFor(arguments, userUiLanguage(), (uint16_t)(GetUserDefaultLCID() & 0xFFFF));
}

void splitLocaleCode(const std::string& code) {
    language.assign(code, 0, 2);
    if (code.size() == 5) country.assign(code, 3, 2);
    else country.clear();
}

const std::string& languageCode() { return language; }
const std::string& countryCode() { return country; }
