#include "preparation_dialog.h"

#include "startup_work.h"

// Until the dialog exists the start-up work runs without a window.
void registerDialogClass(HINSTANCE instance) { (void)instance; }

void showPreparationDialog(HINSTANCE instance) {
    (void)instance;
    runStartupWork(nullptr);
}
