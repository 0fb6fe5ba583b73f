#include "runtime_dialog.h"

#include <cstdlib>
#include <vector>

#include "appended_block.h"
#include "error_exit.h"
#include "launch_state.h"
#include "native_log.h"
#include "start_markers.h"

// The runtime dialog and the download are not part of this launcher yet: without a runtime the
// start ends as a quiet start without one does.
void askForRuntime(HWND progressWindow) {
    (void)progressWindow;
    std::vector<wchar_t> address(kTextUnits);
    getConfigWideString(150, address.data(), address.size());
    NativeLog::log(L"Download location: %s", address.data());
    NativeLog::error(L"No JRE found");
    writeConsoleText("No JRE found. Aborting.\n");
    setStartMarkers(false, true, true);
    exit(83);
}
