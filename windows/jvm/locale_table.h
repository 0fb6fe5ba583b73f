// Windows locale identifiers mapped to Java-style locale codes.
#pragma once

#include <cstdint>
#include <span>

struct LocaleRow {
    uint16_t identifier;
    const char* code;
};

// The rows in search order: primary language identifiers first, then full identifiers ascending.
std::span<const LocaleRow> localeTable();

// The code of the first row whose identifier equals `identifier`, else of the first row whose
// identifier equals its primary language (low 10 bits), else nullptr.
const char* findLocaleCode(uint16_t identifier);
