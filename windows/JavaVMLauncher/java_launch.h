// Creating the JVM on a thread of its own and calling the launcher's Java main class.
#pragma once

#include <jni.h>

#include "launch_state.h"

struct LaunchRequest {
    ArgumentList arguments;
    JavaVMInitArgs initArguments{};
    bool destroyAfterMain = true;
    bool showSplash = false;
    int splashArgument = 0;
};

// True when the JVM was created and main returned without an exception.
bool launchJavaProgram(const ArgumentList& arguments, bool destroyAfterMain, bool showSplash, int splashArgument);

// A JNIEnv for the calling thread, attached as a daemon; nullptr while no JVM exists.
JNIEnv* attachJvmThread();

// True when no Java exception is pending; otherwise logs its text, optionally prints its stack trace,
// and clears it.
bool reportJavaException(JNIEnv* env, bool printStackTrace);

// The name of the semaphore the single-instance guard created, for the Java side; empty when none.
void setLaunchSemaphoreName(const std::string& name);
