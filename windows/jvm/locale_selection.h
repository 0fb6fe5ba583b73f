// The user's language as a Java-style locale code ("de", "de_CH").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "launch_state.h"

// Chooses the locale code from the arguments (when given) and the user's Windows language settings.
std::string selectLocale(const ArgumentList* arguments);

// The same choice with the user's settings given: the UI language (absent when the system cannot
// tell it) and the format locale.
std::string selectLocaleFor(const ArgumentList* arguments, std::optional<uint16_t> uiLanguage,
                            uint16_t formatLocale);

// Keeps the language (the first two characters) and, for a five-character code, the country.
void splitLocaleCode(const std::string& code);
const std::string& languageCode();
const std::string& countryCode();
