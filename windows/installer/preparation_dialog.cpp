#include "preparation_dialog.h"

#include "launch_state.h"
#include "runtime_dialog.h"
#include "startup_work.h"

// Until the dialog exists its work runs without a window: in wrapper mode the dialog only asks for
// a runtime, otherwise it runs the whole start-up work.
void registerDialogClass(HINSTANCE instance) { (void)instance; }

void showPreparationDialog(HINSTANCE instance) {
    (void)instance;
    if (launchState().wrapperMode) askForRuntime(nullptr);
    else runStartupWork(nullptr);
}
