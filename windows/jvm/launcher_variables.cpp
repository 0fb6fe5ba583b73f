#include "launcher_variables.h"

// Expansion of the launcher and environment variables comes with the runtime search; until then
// texts are used as configured.
void expandLauncherVariables(std::wstring& text, VariableForm form) {
    (void)text;
    (void)form;
}
