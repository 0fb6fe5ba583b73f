// "@file" options, expanded by the launcher library of the runtime whose JVM library was loaded.
#include <windows.h>

#include "jvm_library.h"
#include "native_log.h"
#include "vm_options.h"

namespace {

// The list type of the runtime's launcher library.
struct JliList {
    char** elements;
    size_t size;
    size_t capacity;
};

using InitArgProcessingFn = void(JNICALL*)(jboolean hasJavaArgs, jboolean disableArgFile);
using PreprocessArgFn = JliList*(JNICALL*)(const char* argument, jboolean expandSourceOption);
using MemFreeFn = void(JNICALL*)(void* pointer);

}  // namespace

void expandArgumentFiles(VmOptionList& options) {
    const std::string& binDir = loadedJvmBinDir();
    if (binDir.empty()) return;
    NativeLog::log(L"@ argument found %d %S", (int)options.size(), binDir.c_str());
    std::string libraryPath = binDir;
    if (libraryPath.back() != '\\') libraryPath.push_back('\\');
    libraryPath.append("jli.dll");
    // Kept loaded for the rest of the process.
    HMODULE library = LoadLibraryExA(libraryPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) {
        NativeLog::error(L"did not find %S", libraryPath.c_str());
        return;
    }
    auto initArgProcessing = (InitArgProcessingFn)(void*)GetProcAddress(library, "JLI_InitArgProcessing");
    auto preprocessArg = (PreprocessArgFn)(void*)GetProcAddress(library, "JLI_PreprocessArg");
    auto memFree = (MemFreeFn)(void*)GetProcAddress(library, "JLI_MemFree");
    if (!initArgProcessing || !preprocessArg || !memFree) {
        NativeLog::error(L"did not find all list functions %p %p %p", (void*)initArgProcessing, (void*)preprocessArg,
                         (void*)memFree);
        return;
    }
    initArgProcessing(options.empty() ? JNI_FALSE : JNI_TRUE, JNI_FALSE);
    VmOptionList expanded;
    for (std::string& option : options) {
        JliList* result = preprocessArg(option.c_str(), JNI_TRUE);
        if (!result) {
            expanded.push_back(std::move(option));
            continue;
        }
        for (size_t i = 0; i < result->size; ++i) expanded.emplace_back(result->elements[i]);
        memFree(result->elements);
        memFree(result);
    }
    options = std::move(expanded);
}
