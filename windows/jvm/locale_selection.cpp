#include "locale_selection.h"

#include "native_log.h"

namespace {
std::string language = "en";
std::string country;
}  // namespace

// The language given on the command line wins; the Windows language table comes later, until then
// the default is English.
std::string selectLocale(const ArgumentList* arguments) {
    static const std::wstring option = L"-Dtarvelink.language=";
    std::string manual;
    bool found = false;
    if (arguments) {
        for (const std::wstring& argument : *arguments) {
            if (argument.compare(0, option.size(), option) != 0) continue;
            manual.clear();
            for (wchar_t c : argument.substr(option.size())) manual += (char)c;
            found = true;
        }
    }
    if (found) {
        NativeLog::log(L"manual language/country is %S", manual.c_str());
        return manual;
    }
    NativeLog::log(L"language/country is %S", "en");
    return "en";
}

void splitLocaleCode(const std::string& code) {
    language = code.substr(0, 2);
    country = code.size() == 5 ? code.substr(3, 2) : std::string();
}

const std::string& languageCode() { return language; }
const std::string& countryCode() { return country; }
