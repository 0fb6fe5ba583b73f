/* A library named jvm.dll that lacks the VM entry point. */
#include <windows.h>

__declspec(dllexport) int __stdcall JNI_GetDefaultJavaVMInitArgs(void* arguments) {
    (void)arguments;
    return -1;
}
