/* The JVM library of the 32-bit stand-in runtime. A 64-bit launcher cannot load it at all, so creating
   a VM is not supported: the export is what a launcher looks for when it loads the library. */
#include <windows.h>

__declspec(dllexport) int __stdcall JNI_CreateJavaVM(void** vm, void** env, void* arguments) {
    (void)arguments;
    if (vm) *vm = NULL;
    if (env) *env = NULL;
    return -1; /* JNI_ERR */
}
