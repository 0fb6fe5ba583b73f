// A child process for the stand-in JVM's tests where the VM ends the process: creates a VM from the
// stand-in library with the given options and then, by the first argument,
//   main: calls main of com/zolta/runtime/WinLauncher with the argument "probe" (exit code 0 when it
//         returns without an exception, 2 with one);
//   slot: calls a JNI function that the stand-in does not implement.
// Exit code 10 when the VM cannot be created, 11 when the library or class cannot be found.
#include <windows.h>

#include <jni.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) return 11;
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring library(path, n);
    library.erase(library.rfind(L'\\'));
    library.erase(library.rfind(L'\\'));
    library.append(L"\\standin\\x64\\jvm.dll");
    HMODULE module = LoadLibraryW(library.c_str());
    if (!module) return 11;
    using CreateJavaVM = jint(JNICALL*)(JavaVM**, void**, void*);
    auto create = reinterpret_cast<CreateJavaVM>(reinterpret_cast<void*>(GetProcAddress(module, "JNI_CreateJavaVM")));
    if (!create) return 11;

    std::vector<JavaVMOption> options;
    for (int i = 2; i < argc; ++i) options.push_back(JavaVMOption{argv[i], nullptr});
    JavaVMInitArgs arguments{JNI_VERSION_1_2, jint(options.size()), options.data(), JNI_TRUE};
    JavaVM* vm = nullptr;
    void* environment = nullptr;
    if (create(&vm, &environment, &arguments) != JNI_OK) return 10;
    JNIEnv* env = static_cast<JNIEnv*>(environment);

    if (std::strcmp(argv[1], "slot") == 0) {
        env->MonitorEnter(nullptr);
        return 0;
    }
    jclass cls = env->FindClass("com/zolta/runtime/WinLauncher");
    if (!cls) return 11;
    jobjectArray array = env->NewObjectArray(1, env->FindClass("java/lang/String"), env->NewStringUTF("probe"));
    env->CallStaticVoidMethod(cls, env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V"), array);
    if (env->ExceptionCheck()) return 2;
    vm->DestroyJavaVM();
    return 0;
}
