// Assembly of the VM options in their fixed order, and the configured and version-specific options.
#include "vm_options.h"

#include <windows.h>

#include <cstdlib>
#include <string_view>

#include "appended_block.h"
#include "command_line.h"
#include "java_version.h"
#include "launcher_variables.h"
#include "locale_selection.h"
#include "native_log.h"
#include "paths.h"
#include "temp_base.h"

namespace {

// The options of the last assembly and the JNI view of them, kept for the JVM's lifetime.
VmOptionList assembledOptions;
std::vector<JavaVMOption> optionBlock;

// A configuration text as UTF-16, cut to the launcher's text size.
std::wstring configText(int32_t id) {
    std::wstring text(kTextUnits, L'\0');
    text.resize(getConfigWideString(id, text.data(), text.size()));
    return text;
}

// Expands, splits and adds a configured options text.
void addOptionsText(std::wstring text, VmOptionList& options, ClassPathEdits& edits) {
    expandLauncherVariables(text, VariableForm::VmOptions);
    ArgumentList tokens;
    splitCommandLine(text, tokens);
    addOptionTokens(tokens, options, edits);
}

// '*' matches any run of characters, '?' any one character; the whole text must match.
bool wildcardMatches(std::string_view pattern, std::string_view text) {
    size_t p = 0, t = 0, starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool versionRuleMatches(const std::string& rule, const std::string& version, int feature) {
    if (!rule.empty() && rule[0] == '*') return wildcardMatches(std::string_view(rule).substr(1), version);
    size_t dash = rule.find('-');
    if (dash == std::string::npos) {
        NativeLog::error(L"ERROR: expected dash");
        return false;
    }
    long minimum = strtol(rule.substr(0, dash).c_str(), nullptr, 10);
    long maximum = strtol(rule.c_str() + dash + 1, nullptr, 10);
    NativeLog::log(L"checking min %d max %d with %d", (int)minimum, (int)maximum, feature);
    return minimum <= feature && feature <= maximum;
}

void addVersionSpecificOptions(VmOptionList& options, ClassPathEdits& edits) {
    long count = getConfigInt(10200);
    if (count <= 0) return;
    const std::string& version = selectedJavaVersion();
    NativeLog::log(L"check %d version specific vm option lines for %S", (int)count, version.c_str());
    if (version.empty()) return;
    const int feature = JavaVersion::featureNumber(JavaVersion::parse(version.c_str()));
    for (long i = 0; i < count; ++i) {
        std::string rule(kTextUnits, '\0');
        rule.resize(getConfigString(10201 + 2 * (int32_t)i, rule.data(), rule.size()));
        bool matches = versionRuleMatches(rule, version, feature);
        NativeLog::log(L"checking version %S %d", rule.c_str(), (int)matches);
        if (!matches) continue;
        std::wstring text = configText(10202 + 2 * (int32_t)i);
        NativeLog::log(L"adding specific %s", text.c_str());
        addOptionsText(std::move(text), options, edits);
        return;
    }
}

void addLocaleOptions(const ArgumentList& arguments, VmOptionList& options, ClassPathEdits& edits) {
    constexpr std::wstring_view kFormatOption = L"-Dsun.locale.formatasdefault=";
    const std::wstring* last = nullptr;
    for (const std::wstring& argument : arguments)
        if (std::wstring_view(argument).starts_with(kFormatOption)) last = &argument;
    if (!last) return;
    addOptionLine(*last, nullptr, options, edits);
    if (*last == L"-Dsun.locale.formatasdefault=true") return;
    if (!languageCode().empty()) options.push_back(std::string("-Duser.language=").append(languageCode()));
    if (!countryCode().empty()) options.push_back(std::string("-Duser.country=").append(countryCode()));
}

void removeTrailingSemicolon(std::string& text) {
    if (!text.empty() && text.back() == ';') text.pop_back();
}

// The runtime's own module: the installer framework's or the sibling product's.
const char* runtimeModuleName() {
    return dupConfigString(2001).starts_with("i") ? "com.tarvelink.runtime" : "com.zolta.runtime";
}

void addModuleOptions(std::string modulePath, VmOptionList& options) {
    removeTrailingSemicolon(modulePath);
    options.push_back(std::string("--module-path=").append(modulePath));
    std::string addModules = "--add-modules=";
    if (getConfigInt(133) != 0) {
        std::string mainClass(kTextUnits, '\0');
        mainClass.resize(getConfigString(122, mainClass.data(), mainClass.size()));
        size_t slash = mainClass.find('/');
        size_t lastDot = mainClass.rfind('.');
        if (slash != std::string::npos && lastDot != std::string::npos && lastDot > slash) {
            std::string addOpens = "--add-opens=";
            addOpens.append(mainClass, 0, lastDot);
            addOpens.push_back('=');
            addOpens.append(runtimeModuleName());
            options.push_back(std::move(addOpens));
        }
        if (slash != std::string::npos) mainClass.erase(slash);
        addModules.append(mainClass);
        addModules.push_back(',');
    }
    addModules.append(runtimeModuleName());
    options.push_back(std::move(addModules));
}

}  // namespace

void addConfiguredVmOptions(const ArgumentList& arguments, VmOptionList& options, ClassPathEdits& edits) {
    std::wstring text = configText(123);
    expandLauncherVariables(text, VariableForm::VmOptions);
    ArgumentList tokens;
    splitCommandLine(text, tokens);
    NativeLog::log(L"adding options");
    addOptionTokens(tokens, options, edits);
    addVersionSpecificOptions(options, edits);
    addLocaleOptions(arguments, options, edits);
}

void joinModuleOptions(VmOptionList& options) {
    static constexpr std::string_view kNames[] = {"--upgrade-module-path", "--add-modules", "--limit-modules",
                                                  "--add-exports", "--add-opens", "--add-reads", "--patch-module"};
    for (size_t i = 0; i + 1 < options.size(); ++i) {
        bool bare = false;
        for (std::string_view name : kNames) bare = bare || options[i] == name;
        if (!bare) continue;
        options[i].push_back('=');
        options[i].append(options[i + 1]);
        options.erase(options.begin() + (std::ptrdiff_t)(i + 1));
    }
}

JavaVMInitArgs buildVmInitArgs(const std::vector<std::string>& systemProperties, const ArgumentList& arguments) {
    VmOptionList options(systemProperties.begin(), systemProperties.end());
    ClassPathEdits edits;
    addConfiguredVmOptions(arguments, options, edits);

    if (getConfigInt(166) != 0) {
        FILE* file = findDefaultVmOptionsFile();
        NativeLog::log(L"default vmoptions file: %p", (void*)file);
        if (file) readVmOptionsFile(file, nullptr, options, edits);
    }

    if (getConfigInt(125) != 0) {
        for (const std::wstring& argument : arguments)
            if (argument.starts_with(L"-J")) addOptionLine(argument.substr(2), nullptr, options, edits);
    }

    NativeLog::log(L"adding preconfigured modulepath");
    std::string modulePath;
    addPathEntries(132, modulePath);

    std::string classPath = "-Djava.class.path=";
    if (edits.prefix) {
        classPath.append(*edits.prefix);
        classPath.push_back(';');
    }
    const bool archivesToModulePath = !modulePath.empty() || getConfigInt(133) != 0;
    std::string& archiveTarget = archivesToModulePath ? modulePath : classPath;
    const std::string& tempDir = launcherTempDir();
    if (!tempDir.empty()) {
        addArchivesOfDirectory(tempDir, "jar", archiveTarget);
        addArchivesOfDirectory(tempDir, "zip", archiveTarget);
        std::string userDir = tempDir;
        if (userDir.back() != '\\') userDir.push_back('\\');
        userDir.append("user");
        addArchivesOfDirectory(userDir, "jar", classPath);
        addArchivesOfDirectory(userDir, "zip", classPath);
    }
    if (!launchState().installerLauncher && dupConfigString(2001).starts_with("i")) {
        std::string runtimeJar = fullPath(dupConfigString(10003), PathCase::Keep);
        if (runtimeJar.empty() || runtimeJar.back() != '\\') runtimeJar.push_back('\\');
        runtimeJar.append(".tarvelink\\tvkruntime.jar;");
        archiveTarget.append(runtimeJar);
    }
    if (edits.replacement) {
        classPath.append(*edits.replacement);
    } else {
        NativeLog::log(L"adding preconfigured classpath");
        addPathEntries(121, classPath);
    }
    if (edits.suffix) {
        if (classPath.back() != ';') classPath.push_back(';');
        classPath.append(*edits.suffix);
    }
    removeTrailingSemicolon(classPath);
    options.push_back(std::move(classPath));
    if (!modulePath.empty()) addModuleOptions(std::move(modulePath), options);

    joinModuleOptions(options);
    bool argumentFiles = false;
    for (const std::string& option : options) argumentFiles = argumentFiles || option.starts_with('@');
    if (argumentFiles) {
        expandArgumentFiles(options);
        joinModuleOptions(options);
    }

    assembledOptions = std::move(options);
    optionBlock.assign(assembledOptions.size(), JavaVMOption{});
    NativeLog::log(L"vmoption count %d", (int)assembledOptions.size());
    for (size_t i = 0; i < assembledOptions.size(); ++i) {
        optionBlock[i].optionString = assembledOptions[i].data();
        optionBlock[i].extraInfo = nullptr;
        NativeLog::log(L"vmoption %d: %S", (int)i, assembledOptions[i].c_str());
    }
    JavaVMInitArgs initArgs{};
    initArgs.version = JNI_VERSION_1_2;
    initArgs.nOptions = (jint)optionBlock.size();
    initArgs.options = optionBlock.data();
    initArgs.ignoreUnrecognized = JNI_TRUE;
    return initArgs;
}
