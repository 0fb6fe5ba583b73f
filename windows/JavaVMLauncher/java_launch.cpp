#include "java_launch.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "appended_block.h"
#include "error_exit.h"
#include "launch_parts.h"
#include "load_dll.h"
#include "native_log.h"
#include "paths.h"
#include "splash_screen.h"
#include "vm_options.h"

namespace {

// Published by the JVM thread once the JVM exists; other threads read them to attach themselves.
std::atomic<JavaVM*> createdVm{nullptr};
std::atomic<bool> vmCreated{false};
std::string semaphoreName;

using RegisterNativesFn = BOOL(__cdecl*)(JNIEnv*, HMODULE, void (*)(const wchar_t*, ...));

bool isInstallerFamily() { return dupConfigString(2001).starts_with("i"); }

// Looks a class up; when it is missing, logs `missing` as an error and clears the pending exception.
jclass findClassOrLog(JNIEnv* env, const char* name, const wchar_t* missing) {
    jclass found = env->FindClass(name);
    if (!found) {
        NativeLog::error(L"%s", missing);
        env->ExceptionClear();
    }
    return found;
}

void JNICALL cleanupLog(JNIEnv*, jclass) { NativeLog::removeAtExit(); }

void bindNativeLogger(JNIEnv* env) {
    jclass logger = findClassOrLog(env, "com/tarvelink/runtime/installer/helper/NativeLogger", L"did not find NativeLogger class");
    if (!logger) return;
    JNINativeMethod cleanup{(char*)"cleanup0", (char*)"()V", (void*)cleanupLog};
    jint result = env->RegisterNatives(logger, &cleanup, 1);
    if (result != 0) NativeLog::error(L"could not register NativeLogger class %d", (int)result);
    env->ExceptionClear();
    env->DeleteLocalRef(logger);
}

jstring configString(JNIEnv* env, int32_t id) {
    std::string text = dupConfigString(id).substr(0, 1999);
    return env->NewStringUTF(text.c_str());
}

void passSplashSettings(JNIEnv* env) {
    jclass launcher = findClassOrLog(env, "com/zolta/runtime/WinLauncher", L"could not find main class for splash properties");
    if (!launcher) return;
    jmethodID init = env->GetStaticMethodID(
        launcher, "initAwtSplashConfig",
        "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V");
    if (!init) {
        NativeLog::error(L"could not find method for splash properties");
        env->ExceptionClear();
        env->DeleteLocalRef(launcher);
        return;
    }
    jstring texts[] = {configString(env, 10111), configString(env, 10114), configString(env, 10118),
                       configString(env, 10121)};
    env->CallStaticVoidMethod(launcher, init, JNI_TRUE, (jboolean)(getConfigInt(163) != 0), texts[0],
                              (jint)getConfigInt(10109), (jint)getConfigInt(10110), texts[1], (jint)getConfigInt(10113),
                              (jint)getConfigInt(10115), texts[2], (jint)getConfigInt(10116), (jint)getConfigInt(10117),
                              texts[3], (jint)getConfigInt(10120), (jint)getConfigInt(10122));
    for (jstring text : texts) env->DeleteLocalRef(text);
    env->DeleteLocalRef(launcher);
}

// Calls initFromLauncher of the installer framework's Common class; false when it could not be called.
bool callInitFromLauncher(JNIEnv* env, bool bound) {
    jclass common = findClassOrLog(env, "com/tarvelink/runtime/installer/platform/win32/Common",
                                   L"did not find com/tarvelink/runtime/installer/platform/win32/Common");
    if (!common) return false;
    jmethodID init = env->GetStaticMethodID(common, "initFromLauncher", "(Z)V");
    if (!init) {
        NativeLog::error(L"did not find initMethod");
        env->ExceptionClear();
        env->DeleteLocalRef(common);
        return false;
    }
    env->CallStaticVoidMethod(common, init, (jboolean)bound);
    env->DeleteLocalRef(common);
    return true;
}

void bindPlatformNatives(JNIEnv* env) {
    if (!isInstallerFamily()) return;
    NativeLog::log(L"load helper dll");
    HMODULE module = GetModuleHandleW(nullptr);
    NativeLog::log(L"helper dll (in-module) %p", module);
    auto registerNatives = (RegisterNativesFn)(void*)GetProcAddress(module, "registerNatives");
    if (!registerNatives) {
        NativeLog::error(L"did not find register natives in helper dll");
        return;
    }
    if (!callInitFromLauncher(env, true)) return;
    if (!registerNatives(env, module, NativeLog::error)) {
        NativeLog::error(L"registering helper dll failed");
        callInitFromLauncher(env, false);
    }
}

void setExternalExecutable(JNIEnv* env) {
    jclass winDel = findClassOrLog(env, "com/zolta/runtime/util/WinDel", L"did not find WinDel class");
    if (!winDel) return;
    jfieldID field = env->GetStaticFieldID(winDel, "externalExecutable", "Ljava/lang/String;");
    if (!field) {
        NativeLog::error(L"did not find WinDel field");
        env->ExceptionClear();
    } else {
        std::vector<wchar_t> module(32768);
        DWORD n = GetModuleFileNameW(nullptr, module.data(), (DWORD)module.size());
        if (n == 0 || n >= module.size()) {
            NativeLog::error(L"could not get module name for WinDel");
        } else if (jstring path = env->NewString((const jchar*)module.data(), (jsize)n)) {
            env->SetStaticObjectField(winDel, field, path);
            env->DeleteLocalRef(path);
        } else {
            NativeLog::error(L"could not create string for WinDel");
            env->ExceptionClear();
        }
    }
    env->DeleteLocalRef(winDel);
}

void setModuleNameProperty(JNIEnv* env) {
    jclass system = findClassOrLog(env, "java/lang/System", L"could not get system class");
    if (!system) return;
    jmethodID setProperty =
        env->GetStaticMethodID(system, "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    const std::wstring& path = launcherLongPath();
    jstring name = env->NewStringUTF("zolta.moduleName");
    jstring value = env->NewString((const jchar*)path.c_str(), (jsize)path.size());
    if (!setProperty) {
        NativeLog::error(L"could not get method for module name init");
        env->ExceptionClear();
    } else if (!name || !value) {
        NativeLog::error(L"could not create string for init module name");
        env->ExceptionClear();
    } else {
        NativeLog::log(L"setting zolta.moduleName to %s", path.c_str());
        jobject previous = env->CallStaticObjectMethod(system, setProperty, name, value);
        if (previous) env->DeleteLocalRef(previous);
        env->ExceptionClear();
    }
    if (name) env->DeleteLocalRef(name);
    if (value) env->DeleteLocalRef(value);
    env->DeleteLocalRef(system);
}

[[noreturn]] void internalError(const char* step) {
    NativeLog::error(L"%S failed in JavaVMLauncher", step);
    fatalMessageWithTextA(1009, step);
}

bool callMainClass(JNIEnv* env, const LaunchRequest& request) {
    std::string className = isInstallerFamily() ? "com/tarvelink/runtime/launcher/WinLauncher" : "com/zolta/runtime/WinLauncher";
    NativeLog::log(L"main class: %S", className.c_str());
    jclass mainClass = env->FindClass(className.c_str());
    if (!mainClass) {
        NativeLog::error(L"could not find main class");
        fatalMessageWithText(1010);
    }
    jmethodID main = env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V");
    if (!main) {
        NativeLog::error(L"could not find main method");
        fatalMessageWithText(1011);
    }
    ArgumentList arguments = mainArguments(request.arguments);
    NativeLog::log(L"param count: %d", (int)arguments.size());
    jclass stringClass = env->FindClass("java/lang/String");
    jobjectArray array = stringClass ? env->NewObjectArray((jsize)arguments.size(), stringClass, nullptr) : nullptr;
    if (!array) internalError("paramArray");
    for (size_t i = 0; i < arguments.size(); ++i) {
        jstring text = env->NewString((const jchar*)arguments[i].c_str(), (jsize)arguments[i].size());
        if (!text) internalError("jstr");
        env->SetObjectArrayElement(array, (jsize)i, text);
        env->DeleteLocalRef(text);
        NativeLog::log(L"param %d: %s", (int)i, arguments[i].c_str());
    }
    NativeLog::log(L"calling main");
    env->CallStaticVoidMethod(mainClass, main, array);
    NativeLog::log(L"main returned");
    return reportJavaException(env, true);
}

DWORD WINAPI runJvm(void* parameter) {
    LaunchRequest& request = *(LaunchRequest*)parameter;
    NativeLog::log(L"Creating JVM");
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    CreateJavaVMEntry create = createJavaVMEntry();
    if (!create || create((void**)&vm, (void**)&env, &request.initArguments) != 0) {
        NativeLog::error(L"could not initialize JVM");
        return 0;
    }
    createdVm.store(vm, std::memory_order_release);
    NativeLog::log(L"JVM created");
    if (request.showSplash) showSplashScreen(request.splashArgument);
    vmCreated.store(true, std::memory_order_release);
    if (launchState().installerLauncher) bindNativeLogger(env);
    if (getConfigInt(108) != 0) passSplashSettings(env);
    bindPlatformNatives(env);
    if (launchState().installerLauncher) setExternalExecutable(env);
    setModuleNameProperty(env);
    if (!callMainClass(env, request)) {
        NativeLog::error(L"could not call main");
        return 0;
    }
    if (request.destroyAfterMain) {
        NativeLog::log(L"dest JVM");
        vm->DestroyJavaVM();
    }
    NativeLog::log(L"launch done");
    return 1;
}

}  // namespace

void setLaunchSemaphoreName(const std::string& name) { semaphoreName = name; }

bool launchJavaProgram(const ArgumentList& arguments, bool destroyAfterMain, bool showSplash, int splashArgument) {
    NativeLog::log(L"launching program");
    std::vector<std::string> properties = launcherSystemProperties(semaphoreName);
    // The request, the options and their strings live as long as the process.
    auto* request = new LaunchRequest{arguments, {}, destroyAfterMain, showSplash, splashArgument};
    request->initArguments = buildVmInitArgs(properties, request->arguments);
    std::vector<std::string> options;
    for (jint i = 0; i < request->initArguments.nOptions; ++i)
        options.push_back(request->initArguments.options[i].optionString);
    uint32_t stackSize = stackSizeFromOptions(options);
    NativeLog::log(L"used stack size %d", (int)stackSize);
    HANDLE thread = CreateThread(nullptr, stackSize, runJvm, request,
                                 stackSize ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    if (!thread) return runJvm(request) != 0;
    WaitForSingleObject(thread, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeThread(thread, &exitCode);
    CloseHandle(thread);
    return exitCode != 0;
}

JNIEnv* attachJvmThread() {
    JavaVM* vm = createdVm.load(std::memory_order_acquire);
    if (!vmCreated.load(std::memory_order_acquire) || !vm) return nullptr;
    JNIEnv* env = nullptr;
    if (vm->AttachCurrentThreadAsDaemon((void**)&env, nullptr) != 0) return nullptr;
    return env;
}

bool reportJavaException(JNIEnv* env, bool printStackTrace) {
    if (!env->ExceptionCheck()) return true;
    NativeLog::error(L"an exception occurred");
    jthrowable exception = env->ExceptionOccurred();
    env->ExceptionClear();
    jclass stringClass = env->FindClass("java/lang/String");
    jmethodID toString = stringClass ? env->GetMethodID(stringClass, "toString", "()Ljava/lang/String;") : nullptr;
    if (exception && toString) {
        if (auto text = (jstring)env->CallObjectMethod(exception, toString)) {
            const jchar* chars = env->GetStringChars(text, nullptr);
            std::wstring message((const wchar_t*)chars, (size_t)env->GetStringLength(text));
            env->ReleaseStringChars(text, chars);
            NativeLog::error(L"%s", message.c_str());
            env->DeleteLocalRef(text);
        }
        env->ExceptionClear();
    }
    if (printStackTrace && exception) {
        env->Throw(exception);
        env->ExceptionDescribe();
    }
    env->ExceptionClear();
    if (stringClass) env->DeleteLocalRef(stringClass);
    return false;
}
