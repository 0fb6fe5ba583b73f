/* The JVM library of the stand-in runtime. Creating a VM is not supported yet: the export is what
   the launcher looks for when it loads the library. */
#include <windows.h>

__declspec(dllexport) int __stdcall JNI_CreateJavaVM(void** vm, void** env, void* arguments) {
    (void)arguments;
    if (vm) *vm = NULL;
    if (env) *env = NULL;
    return -1; /* JNI_ERR */
}
