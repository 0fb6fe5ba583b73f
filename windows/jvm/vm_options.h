// The VM options handed to JNI_CreateJavaVM: configured options, version-specific rules, VM options
// files, -J arguments, the class path and the module path, joined module options and argument files.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "jni.h"
#include "launch_state.h"

// Complete JVM options in the 8-bit code page of the file functions, in the order the JVM sees them.
using VmOptionList = std::vector<std::string>;

// Class path changes from "-classpath", "-classpath/p" and "-classpath/a" lines; a later line of the
// same kind replaces the earlier one.
struct ClassPathEdits {
    std::optional<std::string> replacement;
    std::optional<std::string> prefix;
    std::optional<std::string> suffix;
};

// Assembles every option. The block and its strings belong to the process and stay valid until the
// next call.
JavaVMInitArgs buildVmInitArgs(const std::vector<std::string>& systemProperties, const ArgumentList& arguments);

// Entry 123, the first matching version-specific rule and the locale options of the command line.
void addConfiguredVmOptions(const ArgumentList& arguments, VmOptionList& options, ClassPathEdits& edits);
// Each token is one line, except that "-include-options" takes the token after it along.
void addOptionTokens(const ArgumentList& tokens, VmOptionList& options, ClassPathEdits& edits);
// One option line; `baseFile` is the options file it came from (relative includes count from its
// directory), or nullptr for the launcher's directory.
void addOptionLine(const std::wstring& line, const wchar_t* baseFile, VmOptionList& options, ClassPathEdits& edits);
// Reads every line of an open VM options file and closes it.
void readVmOptionsFile(FILE* file, const wchar_t* path, VmOptionList& options, ClassPathEdits& edits);
// The options file beside the executable (setup.vmoptions, then setup.exe.vmoptions), or nullptr.
FILE* findDefaultVmOptionsFile();

// The entries of configuration entry 121 (class path) or 132 (module path), each followed by ";".
// A mandatory entry that is not there ends the process (message 1006, or 1008 for a variable).
void addPathEntries(int entry, std::string& accumulator);
// Every "*.extension" file directly in `directory`, each followed by ";"; false when the directory
// does not exist.
bool addArchivesOfDirectory(const std::string& directory, const char* extension, std::string& accumulator);

// "--add-modules" and its kind followed by a value become one "--add-modules=value" element.
void joinModuleOptions(VmOptionList& options);
// Lets the loaded runtime's jli.dll expand "@file" options; the list stays as it is without one.
void expandArgumentFiles(VmOptionList& options);
