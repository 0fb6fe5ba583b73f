#include "startup_work.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "appended_block.h"
#include "command_line.h"
#include "error_exit.h"
#include "included_files.h"
#include "integrity_check.h"
#include "java_launch.h"
#include "launch_state.h"
#include "launcher_variables.h"
#include "load_dll.h"
#include "native_log.h"
#include "owned_handles.h"
#include "paths.h"
#include "preparation_dialog.h"
#include "process_environment.h"
#include "runtime_dialog.h"
#include "runtime_unpacking.h"
#include "start_markers.h"
#include "startup_progress.h"
#include "temp_base.h"

namespace {

bool includedRuntime = false;

void enterTempDir() {
    const std::string& tempDir = launcherTempDir();
    if (!SetCurrentDirectoryA(tempDir.c_str()))
        NativeLog::error(L"Could not change working dir to %S (%d)", tempDir.c_str(), (int)GetLastError());
}

// The extraction directory of a language restart holds what the first start extracted.
bool extractionDirectoryComplete() {
    if (!pathExistsA((launcherTempDir() + "\\tvkruntime.jar").c_str())) {
        NativeLog::log(L"could not find tvkruntime.jar");
        return false;
    }
    if (!pathExistsA((launcherTempDir() + "\\tvkparams.conf").c_str())) {
        NativeLog::log(L"could not find tvkparams.conf");
        return false;
    }
    return true;
}

// Extract-and-exit extracts beside the executable, into a folder named after it.
void createExtractAndExitDir() {
    std::string& tempDir = launcherTempDir();
    tempDir = launcherPath();
    tempDir.append(".test");
    NativeLog::log(L"Extracted dir: %S", tempDir.c_str());
    if (!CreateDirectoryA(tempDir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        NativeLog::log(L"Could not create dir %S (%d)", tempDir.c_str(), (int)GetLastError());
        fatalMessageWithText(1009, L"70");
    }
}

void extractOrExit(HWND progressWindow) {
    int result = extractIncludedFiles(false);
    if (result == kExtracted) return;
    if (!launchState().quiet) {
        std::vector<wchar_t> caption(kTextUnits), text(kTextUnits);
        getMessage(20013, caption.data(), caption.size());
        getMessage(result == kWriteFailed ? 20018 : 20016, text.data(), text.size());
        MessageBoxW(progressWindow, text.data(), caption.data(), MB_ICONERROR);
    }
    exitLauncher(1);
}

void setMarkers(HWND progressWindow) { setStartMarkers(true, progressWindow != nullptr, true); }
void clearMarkers() { setStartMarkers(false, true, true); }

bool loadInstalledRuntime() { return LoadDLL(false, nullptr, false); }

// Without an included runtime: an installed one, or the user is asked for one.
void findOrAskForRuntime(HWND progressWindow) {
    LaunchState& state = launchState();
    setMarkers(progressWindow);
    if (!state.manualRuntime && loadInstalledRuntime()) return;
    if (state.quiet) {
        if (getConfigInt(157) == 0) {
            NativeLog::error(L"No JRE found");
            writeConsoleText("No JRE found. Aborting.\n");
            clearMarkers();
            exit(83);  // the temporary directory stays
        }
        writeConsoleText("No JRE found. Trying to download.\n");
        askForRuntime(nullptr);
    } else if (state.wrapperMode && !progressWindow) {
        // The dialog is opened only for the question; its thread asks.
        showPreparationDialog(state.instance);
    } else {
        askForRuntime(progressWindow);
    }
}

void unpackIncludedPackedJars() {
    for (const std::string& name : includedFileNames()) {
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".pack") != 0) continue;
        NativeLog::log(L"unpacking %S", name.c_str());
        unpackJar(selectedJavaHome().c_str(), (launcherTempDir() + "\\" + name).c_str());
    }
}

// The position goes to the Java side of the test run as the decimal text of a 64-bit number.
void writeUnextractedPosition() {
    std::string text = std::to_string(getUnextractedPosition());
    OwnedHandle file(CreateFileA("unextracted.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    DWORD written = 0;
    bool ok = file && WriteFile(file.handle, text.data(), (DWORD)text.size(), &written, nullptr) &&
              written == text.size();
    if (!file.close()) ok = false;
    if (!ok) {
        NativeLog::error(L"Could not write file with unextracted position");
        fatalMessageWithText(1009, L"71");
    }
}

}  // namespace

void markIncludedRuntime() { includedRuntime = true; }

void useExtractedRuntime() {
    std::string runtime = fullPathFromCurrentDirectory("jre");
    NativeLog::log(L"JRE dir: %S", runtime.c_str());
    if (LoadDLL(false, runtime.c_str(), false)) return;
    NativeLog::error(L"Could not load bundled JRE. Trying to find another JRE.");
    if (loadInstalledRuntime()) return;
    NativeLog::error(L"Could not find another JRE.");
    if (isTempBaseRelaxed()) fatalMessageWithText(1015);
    fatalText(L"Could not use bundled JRE. Please send this log file to your software vendor:");
}

void prepareIncludedRuntime(HWND progressWindow) {
    DWORD started = GetTickCount();
    NativeLog::log(L"extracting JRE");
    if (!CreateDirectoryA("jre", nullptr)) NativeLog::error(L"Could not create JRE dir");
    if (!untarRuntime("jre.tar.gz", "jre", progressWindow, getConfigInt(151))) {
        NativeLog::error(L"Could not untar JRE");
        fatalText(L"The bundled JRE is corrupted. If you downloaded the setup file please download it again.");
    }
    DeleteFileA("jre.tar.gz");
    startupProgress().runtimeUnpackMillis.store(GetTickCount() - started);
    if (getConfigInt(153) != 0) {
        NativeLog::log(L"JRE is packed");
        if (progressWindow) startProgressAnimation(progressWindow);
        unpackPackedJars("jre");
        unpackPackedJars("jre\\jre");
        stopProgressAnimation();
    }
    useExtractedRuntime();
}

int runStartupWork(HWND progressWindow) {
    LaunchState& state = launchState();
    NativeLog::log(L"Starting work");
    if (progressWindow) {
        SendDlgItemMessageW(progressWindow, 1001, PBM_SETPOS, 1, 0);
        SendDlgItemMessageW(progressWindow, 1001, PBM_SETRANGE32, 0, 400);
    }
    if (!state.languageRestart) verifyIntegrity(progressWindow);

    // A language restart runs in the extraction directory of the start that restarted it.
    bool reuseDirectory = false;
    if (state.languageRestart) {
        launcherTempDir() = currentDirectory();
        reuseDirectory = extractionDirectoryComplete();
        if (!reuseDirectory) launcherTempDir().clear();
    }
    if (reuseDirectory) {
        setUnextractedPosition(-1);  // nothing was extracted by this start
    } else {
        if (state.extractAndExit) createExtractAndExitDir();
        else createLauncherTempDir();
        addNativeLibraryDirectories();
        enterTempDir();
        extractOrExit(progressWindow);
    }

    NativeLog::log(L"Current working dir: %S", currentDirectory().c_str());
    std::string archive = fullPathFromCurrentDirectory("jre.tar.gz");
    NativeLog::log(L"Full JRE path: %S", archive.c_str());
    includedRuntime = pathExistsA(archive.c_str());
    if (!includedRuntime && reuseDirectory) {
        NativeLog::log(L"Checking restart JRE: %S", archive.c_str());
        std::string extracted = fullPathFromCurrentDirectory("jre");
        NativeLog::log(L"Checking extracted JRE: %S", extracted.c_str());
        includedRuntime = pathExistsA(extracted.c_str());
    }
    NativeLog::log(includedRuntime ? L"JRE included" : L"No JRE included");
    if (state.manualRuntime && includedRuntime) {
        NativeLog::log(L"Included JRE not used because of manual switch");
        includedRuntime = false;
    }

    if (includedRuntime && getConfigInt(161) != 0) {
        setMarkers(progressWindow);
        if (loadInstalledRuntime()) includedRuntime = false;
        else clearMarkers();
    } else if (!includedRuntime) {
        findOrAskForRuntime(progressWindow);
    }
    enterTempDir();

    if (!reuseDirectory) {
        bool packed = getConfigInt(153) != 0;
        startupProgress().startValue = includedRuntime ? (packed ? 300 : 200) : 100;
        if (includedRuntime) prepareIncludedRuntime(progressWindow);
        unpackIncludedPackedJars();
    } else if (includedRuntime) {
        // An archive still there was never unpacked completely: unpack it again.
        if (pathExistsA(archive.c_str())) prepareIncludedRuntime(progressWindow);
        else useExtractedRuntime();
    }

    if (state.extractAndExit) {
        writeUnextractedPosition();
        exit(0);  // the extraction directory stays
    }
    if (progressWindow) startWatcherThread(progressWindow);
    setMarkers(progressWindow);

    ArgumentList arguments;
    splitCommandLine(GetCommandLineW(), arguments);
    if (!launchJavaProgram(arguments, true, false, 0)) {
        NativeLog::error(L"Could not start JVM");
        fatalMessageWithText(1005);
    }
    return 0;
}
