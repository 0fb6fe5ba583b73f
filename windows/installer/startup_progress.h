// State that the start-up work shares with the threads that drive the progress bar.
#pragma once

#include <windows.h>

#include <atomic>

struct StartupProgress {
    int startValue = 100;                     // where the watcher starts: 100, 200 or 300
    std::atomic<DWORD> runtimeUnpackMillis{0};  // how long the runtime archive took to unpack
    std::atomic<bool> animationStop{false};
};

StartupProgress& startupProgress();

// Moves the bar from 200 towards 300 while packed jars are unpacked, paced by the archive's unpacking
// time, until stopProgressAnimation.
void startProgressAnimation(HWND progressWindow);
void stopProgressAnimation();

// Waits for the Java program's first window and then hides the progress window.
void startWatcherThread(HWND progressWindow);
