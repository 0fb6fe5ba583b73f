// The user's language as a Java-style locale code ("de", "de_CH").
#pragma once

#include <string>

#include "launch_state.h"

std::string selectLocale(const ArgumentList* arguments);
void splitLocaleCode(const std::string& code);
const std::string& languageCode();
const std::string& countryCode();
