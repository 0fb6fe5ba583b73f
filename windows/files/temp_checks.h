// The checks that a candidate for the temporary base folder must pass, in its 8-bit and UTF-16 forms.
#pragma once

#include <string>

// Creates and removes a uniquely named subfolder ("ztatw" with the process id and a random number):
// true when it could be created and then existed.
bool probeTempFolder(const std::string& folder);
bool probeTempFolder(const std::wstring& folder);

enum class AnsiCheckKind {
    Strict,     // a long form holding "?" (lost characters) fails the candidate
    Lenient,    // such a long form is tolerated
    ProbeOnly,  // no long form is asked for
};

struct AnsiCheck {
    AnsiCheckKind kind = AnsiCheckKind::Strict;
    bool create = false;       // create the folder first, ignoring failure
    bool useLongPath = false;  // replace the candidate by a differing long form (logged "using long path")
};

// The 8-bit check; `folder` may be replaced by its long form.
bool checkTempCandidate(std::string& folder, AnsiCheck check);

struct WideCheck {
    bool create = false;        // create the folder first, ignoring failure
    bool longFormTest = false;  // the long form, too, must be free of "?" and of decomposed characters
};

// The UTF-16 check: the path must not change under the precomposed mapping (logged "folding error").
bool checkTempCandidate(const std::wstring& folder, WideCheck check);
