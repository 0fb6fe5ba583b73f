// The stand-in JVM library, loaded into this process: VM creation with its option check, classes from
// the runtime jar, the function tables, native registration and the report that main writes.
#include <windows.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

using namespace testing_support;

namespace {

const char* const kWin32 = "com/tarvelink/runtime/installer/platform/win32/";

fs::path standinDir() { return binDir().parent_path() / "standin"; }
std::string runtimeJar() { return narrow((standinDir() / "tvkruntime.jar").wstring()); }
std::string classesDir() { return narrow((binDir().parent_path() / "tests" / "java" / "classes").wstring()); }

using CreateJavaVM = jint(JNICALL*)(JavaVM**, void**, void*);

// The report's lines, in order, as key and value.
using Report = std::vector<std::pair<std::string, std::string>>;

Report readReport(const fs::path& path) {
    Report report;
    std::string text = readFile(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        size_t equals = line.find('=');
        report.emplace_back(line.substr(0, equals), equals == std::string::npos ? "" : line.substr(equals + 1));
    }
    return report;
}

std::vector<std::string> values(const Report& report, const std::string& key) {
    std::vector<std::string> out;
    for (const auto& [k, v] : report) {
        if (k == key) out.push_back(v);
    }
    return out;
}

class StandinJvm : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryW((standinDir() / "x64" / "jvm.dll").c_str());
        ASSERT_NE(library, nullptr);
        create = reinterpret_cast<CreateJavaVM>(reinterpret_cast<void*>(GetProcAddress(library, "JNI_CreateJavaVM")));
        ASSERT_NE(create, nullptr);
    }

    void TearDown() override {
        destroy();
        FreeLibrary(library);
    }

    jint start(const std::vector<std::string>& options, jboolean ignoreUnrecognized = JNI_TRUE,
               jint version = JNI_VERSION_1_2) {
        std::vector<JavaVMOption> list;
        for (const auto& option : options) list.push_back(JavaVMOption{const_cast<char*>(option.c_str()), nullptr});
        JavaVMInitArgs arguments{version, jint(list.size()), list.data(), ignoreUnrecognized};
        void* environment = nullptr;
        jint result = create(&vm, &environment, &arguments);
        env = static_cast<JNIEnv*>(environment);
        return result;
    }

    // A VM with the runtime jar on its class path, plus `options`.
    void startWithJar(std::vector<std::string> options = {}) {
        options.insert(options.begin(), "-Djava.class.path=" + runtimeJar());
        ASSERT_EQ(start(options), JNI_OK);
        ASSERT_NE(env, nullptr);
    }

    void destroy() {
        if (vm) vm->DestroyJavaVM();
        vm = nullptr;
        env = nullptr;
    }

    // The pending exception's text (its toString through java/lang/String's method id), cleared.
    std::string takeException() {
        jthrowable exception = env->ExceptionOccurred();
        if (!exception) return "";
        env->ExceptionClear();
        jmethodID toString = env->GetMethodID(env->FindClass("java/lang/String"), "toString", "()Ljava/lang/String;");
        auto text = static_cast<jstring>(env->CallObjectMethod(exception, toString));
        const char* bytes = env->GetStringUTFChars(text, nullptr);
        std::string result = bytes;
        env->ReleaseStringUTFChars(text, bytes);
        return result;
    }

    jobjectArray strings(const std::vector<std::wstring>& texts) {
        jobjectArray array = env->NewObjectArray(jsize(texts.size()), env->FindClass("java/lang/String"), nullptr);
        for (size_t i = 0; i < texts.size(); ++i) {
            jstring text = env->NewString(reinterpret_cast<const jchar*>(texts[i].c_str()), jsize(texts[i].size()));
            env->SetObjectArrayElement(array, jsize(i), text);
            env->DeleteLocalRef(text);
        }
        return array;
    }

    HMODULE library = nullptr;
    CreateJavaVM create = nullptr;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
};

TEST_F(StandinJvm, ChecksOptionsAsARealVmDoes) {
    struct Case {
        const char* option;
        jboolean ignoreUnrecognized;
        jint result;
    };
    const Case cases[] = {
        {"-Dzolta.tempDir=C:\\temp", JNI_FALSE, JNI_OK},
        {"-Xss2m", JNI_FALSE, JNI_OK},
        {"-Xmx512m", JNI_FALSE, JNI_OK},
        {"-XX:+UseSerialGC", JNI_FALSE, JNI_OK},
        {"-verbose:gc", JNI_FALSE, JNI_OK},
        {"-ea:com.zolta...", JNI_FALSE, JNI_OK},
        {"-dsa", JNI_FALSE, JNI_OK},
        {"-javaagent:agent.jar", JNI_FALSE, JNI_OK},
        {"--add-opens=java.base/java.lang=ALL-UNNAMED", JNI_FALSE, JNI_OK},
        {"--module-path=mods", JNI_FALSE, JNI_OK},
        {"--enable-native-access=ALL-UNNAMED", JNI_FALSE, JNI_OK},
        {"-Xfoo", JNI_TRUE, JNI_OK},
        {"_internal", JNI_TRUE, JNI_OK},
        {"-Xfoo", JNI_FALSE, JNI_ERR},
        {"_internal", JNI_FALSE, JNI_ERR},
        {"-foo", JNI_TRUE, JNI_ERR},
        {"--add-opens", JNI_TRUE, JNI_ERR},
        {"--bogus=1", JNI_TRUE, JNI_ERR},
        {"-cp", JNI_TRUE, JNI_ERR},
        {"classic", JNI_TRUE, JNI_ERR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        EXPECT_EQ(start({"-Dx=1", c.option}, c.ignoreUnrecognized), c.result);
        EXPECT_EQ(vm != nullptr, c.result == JNI_OK);
        destroy();
    }
}

TEST_F(StandinJvm, RefusesOldVersionsAndASecondVm) {
    EXPECT_EQ(start({}, JNI_TRUE, JNI_VERSION_1_1), JNI_EVERSION);
    EXPECT_EQ(vm, nullptr);
    ASSERT_EQ(start({}), JNI_OK);
    JavaVM* first = vm;
    EXPECT_EQ(start({}), JNI_EEXIST);
    vm = first;
}

TEST_F(StandinJvm, FindsTheClassesOfItsClassPathOnly) {
    const char* const present[] = {
        "com/zolta/runtime/WinLauncher", "com/tarvelink/runtime/launcher/WinLauncher", "com/zolta/runtime/util/WinDel",
        "com/zolta/Controller", "com/tarvelink/runtime/installer/helper/NativeLogger",
        "com/tarvelink/runtime/installer/platform/win32/Common", "com/tarvelink/api/windows/WinRegistry$ExpandString",
        "com/tarvelink/api/windows/WindowInfo", "com/tarvelink/runtime/installer/platform/win32/ObjectPicker$Result",
        "java/lang/String", "java/lang/System", "[Ljava/lang/String;"};
    const char* const missing[] = {"com/zolta/runtime/Missing", "com.zolta.runtime.WinLauncher", "WinLauncher", "[Lcom/x/Y;"};
    for (const std::string& classPath : {runtimeJar(), classesDir(), "C:\\nowhere.jar;" + runtimeJar()}) {
        SCOPED_TRACE(classPath);
        ASSERT_EQ(start({"-Djava.class.path=" + classPath}), JNI_OK);
        for (const char* name : present) {
            EXPECT_NE(env->FindClass(name), nullptr) << name;
            EXPECT_EQ(takeException(), "") << name;
        }
        for (const char* name : missing) {
            EXPECT_EQ(env->FindClass(name), nullptr) << name;
            EXPECT_EQ(takeException().rfind("java.lang.NoClassDefFoundError", 0), 0u) << name;
        }
        destroy();
    }
    ASSERT_EQ(start({"-Djava.class.path=C:\\nowhere.jar"}), JNI_OK);
    EXPECT_EQ(env->FindClass("com/zolta/runtime/WinLauncher"), nullptr);
    EXPECT_NE(takeException(), "");
    EXPECT_NE(env->FindClass("java/lang/String"), nullptr);
}

TEST_F(StandinJvm, LooksUpMethodsAndFieldsByNameAndSignature) {
    startWithJar();
    struct Case {
        const char* cls;
        const char* name;
        const char* signature;
        bool isStatic;
        bool found;
    };
    const Case cases[] = {
        {"com/zolta/runtime/WinLauncher", "main", "([Ljava/lang/String;)V", true, true},
        {"com/tarvelink/runtime/launcher/WinLauncher", "main", "([Ljava/lang/String;)V", true, true},
        {"com/zolta/runtime/WinLauncher", "initAwtSplashConfig",
         "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V", true, true},
        {"com/tarvelink/runtime/installer/platform/win32/Common", "initFromLauncher", "(Z)V", true, true},
        {"com/zolta/Controller", "startupPerformed", "(Ljava/lang/String;)V", true, true},
        {"java/lang/System", "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;", true, true},
        {"java/lang/String", "toString", "()Ljava/lang/String;", false, true},
        {"com/tarvelink/api/windows/WindowInfo", "<init>", "(JILjava/lang/String;Ljava/lang/String;)V", false, true},
        {"com/tarvelink/api/windows/WinRegistry$ExpandString", "<init>", "(Ljava/lang/String;)V", false, true},
        {"com/zolta/runtime/WinLauncher", "main", "([Ljava/lang/String;)I", true, false},
        {"com/zolta/runtime/WinLauncher", "main", "([Ljava/lang/String;)V", false, false},
        {"com/tarvelink/runtime/installer/platform/win32/Common", "initFromLauncher", "()V", true, false},
        {"com/zolta/runtime/WinLauncher", "mian", "([Ljava/lang/String;)V", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cls) + "." + c.name + c.signature);
        jclass cls = env->FindClass(c.cls);
        ASSERT_NE(cls, nullptr);
        jmethodID id = c.isStatic ? env->GetStaticMethodID(cls, c.name, c.signature) : env->GetMethodID(cls, c.name, c.signature);
        EXPECT_EQ(id != nullptr, c.found);
        std::string exception = takeException();
        EXPECT_EQ(exception.rfind("java.lang.NoSuchMethodError", 0) == 0, !c.found) << exception;
    }
    jclass winDel = env->FindClass("com/zolta/runtime/util/WinDel");
    EXPECT_NE(env->GetStaticFieldID(winDel, "externalExecutable", "Ljava/lang/String;"), nullptr);
    EXPECT_EQ(env->GetStaticFieldID(winDel, "externalExecutable", "I"), nullptr);
    EXPECT_EQ(takeException().rfind("java.lang.NoSuchFieldError", 0), 0u);
}

TEST_F(StandinJvm, CarriesStringsInBothEncodings) {
    startWithJar();
    struct Case {
        const char* modifiedUtf8;
        std::u16string characters;
    };
    const Case cases[] = {
        {"", u""},
        {"setup.exe", u"setup.exe"},
        {"Gr\xc3\xbc\xc3\x9f" "e", u"Grüße"},
        {"\xe2\x82\xac", u"\u20ac"},
        {"\xc0\x80", std::u16string(1, u'\0')},
        {"\xed\xa0\xbd\xed\xb8\x80", u"\U0001F600"},  // a supplementary character: two surrogates of 3 bytes each
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modifiedUtf8);
        jstring fromUtf = env->NewStringUTF(c.modifiedUtf8);
        ASSERT_EQ(env->GetStringLength(fromUtf), jsize(c.characters.size()));
        const jchar* characters = env->GetStringChars(fromUtf, nullptr);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(characters), c.characters.size()), c.characters);
        env->ReleaseStringChars(fromUtf, characters);

        jstring fromChars = env->NewString(reinterpret_cast<const jchar*>(c.characters.data()), jsize(c.characters.size()));
        EXPECT_EQ(env->GetStringUTFLength(fromChars), jsize(std::strlen(c.modifiedUtf8)));
        const char* bytes = env->GetStringUTFChars(fromChars, nullptr);
        EXPECT_STREQ(bytes, c.modifiedUtf8);
        env->ReleaseStringUTFChars(fromChars, bytes);
    }
    EXPECT_EQ(env->NewStringUTF(nullptr), nullptr);
}

TEST_F(StandinJvm, KeepsArraysWithinTheirBoundsAndTypes) {
    startWithJar();
    jobjectArray array = strings({L"a", L"b"});
    EXPECT_EQ(env->GetArrayLength(array), 2);
    jstring second = static_cast<jstring>(env->GetObjectArrayElement(array, 1));
    EXPECT_EQ(env->GetStringLength(second), 1);
    EXPECT_EQ(env->GetObjectArrayElement(array, 2), nullptr);
    EXPECT_EQ(takeException().rfind("java.lang.ArrayIndexOutOfBoundsException", 0), 0u);

    jclass expandString = env->FindClass("com/tarvelink/api/windows/WinRegistry$ExpandString");
    jmethodID constructor = env->GetMethodID(expandString, "<init>", "(Ljava/lang/String;)V");
    jobject value = env->NewObject(expandString, constructor, env->NewStringUTF("%TEMP%"));
    ASSERT_NE(value, nullptr);
    EXPECT_TRUE(env->IsInstanceOf(value, expandString));
    env->SetObjectArrayElement(array, 0, value);
    EXPECT_EQ(takeException().rfind("java.lang.ArrayStoreException", 0), 0u);
    jobjectArray objects = env->NewObjectArray(1, env->FindClass("java/lang/Object"), value);
    EXPECT_TRUE(env->IsSameObject(env->GetObjectArrayElement(objects, 0), value));

    jbyteArray bytes = env->NewByteArray(4);
    const jbyte in[] = {1, -2, 3, -4};
    env->SetByteArrayRegion(bytes, 0, 4, in);
    jbyte* elements = env->GetByteArrayElements(bytes, nullptr);
    EXPECT_EQ(elements[1], -2);
    EXPECT_EQ(elements[3], -4);
    env->ReleaseByteArrayElements(bytes, elements, 0);
    jbyte out[2] = {};
    env->GetByteArrayRegion(bytes, 3, 2, out);
    EXPECT_EQ(takeException().rfind("java.lang.ArrayIndexOutOfBoundsException", 0), 0u);
}

TEST_F(StandinJvm, AttachesOtherThreads) {
    startWithJar();
    void* here = nullptr;
    ASSERT_EQ(vm->GetEnv(&here, JNI_VERSION_1_2), JNI_OK);
    EXPECT_EQ(here, env);
    JavaVM* fromEnv = nullptr;
    ASSERT_EQ(env->GetJavaVM(&fromEnv), JNI_OK);
    EXPECT_EQ(fromEnv, vm);
    struct Seen {
        JavaVM* vm;
        jint before, attach, after, detach, again;
        void* env;
    } seen{vm, 0, 0, 0, 0, 0, nullptr};
    HANDLE thread = CreateThread(nullptr, 0, [](void* p) -> DWORD {
        auto* s = static_cast<Seen*>(p);
        void* env = nullptr;
        s->before = s->vm->GetEnv(&env, JNI_VERSION_1_8);
        s->attach = s->vm->AttachCurrentThreadAsDaemon(&s->env, nullptr);
        s->after = s->vm->GetEnv(&env, JNI_VERSION_1_8);
        JNIEnv* jni = static_cast<JNIEnv*>(s->env);
        if (!jni->FindClass("com/zolta/Controller")) s->after = -100;
        s->detach = s->vm->DetachCurrentThread();
        s->again = s->vm->GetEnv(&env, JNI_VERSION_1_8);
        return 0;
    }, &seen, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(seen.before, JNI_EDETACHED);
    EXPECT_EQ(seen.attach, JNI_OK);
    EXPECT_NE(seen.env, nullptr);
    EXPECT_NE(seen.env, env);
    EXPECT_EQ(seen.after, JNI_OK);
    EXPECT_EQ(seen.detach, JNI_OK);
    EXPECT_EQ(seen.again, JNI_EDETACHED);
}

// Natives registered by the tests: what they were called with is checked through their results.
jint JNICALL compareNative(JNIEnv* env, jclass, jstring a, jstring b) {
    return env->GetStringLength(a) * 100 + env->GetStringLength(b);
}
jlong JNICALL freeSpaceNative(JNIEnv*, jclass, jstring path) { return path ? 0x123456789ALL : -1; }
jboolean JNICALL moveNative(JNIEnv*, jclass, jstring, jstring to) { return to ? JNI_TRUE : JNI_FALSE; }
void JNICALL anyNative() {}

struct Native {
    const char* cls;
    const char* name;
    const char* signature;
};

// Every native the launcher binds, as its registration table lists them, and create0.
const Native kLauncherNatives[] = {
    {"FileVersion", "compare0", "(Ljava/lang/String;Ljava/lang/String;)I"},
    {"FolderInfo", "getSpecialFolder0", "(IZ)Ljava/lang/String;"},
    {"FolderInfo", "getPathFromRegistry0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"FolderInfo", "getWindowsDirectory0", "()Ljava/lang/String;"},
    {"FolderInfo", "getSystemDirectory0", "()Ljava/lang/String;"},
    {"FolderInfo", "getDriveType0", "(Ljava/lang/String;)I"},
    {"FolderInfo", "getShortPathName0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"FolderInfo", "getUniversalPathName0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"Misc", "reboot0", "()V"},
    {"Misc", "getRunningModules0", "(Z)[Ljava/lang/String;"},
    {"Misc", "getEnvVarPairs0", "()[Ljava/lang/String;"},
    {"Misc", "broadcastSettingChange0", "()V"},
    {"Misc", "getPhysicalMemory0", "()J"},
    {"Misc", "getFreeDiskSpace0", "(Ljava/lang/String;)J"},
    {"Misc", "moveWithDelayUntilReboot0", "(Ljava/lang/String;Ljava/lang/String;)Z"},
    {"Misc", "toFront0", "()V"},
    {"Misc", "terminateProcesses0", "([IZI)I"},
    {"Misc", "getWindowTitle0", "(I)Ljava/lang/String;"},
    {"Misc", "setForegroundWindow0", "(J)V"},
    {"Misc", "getTopLevelWindows0", "(Ljava/lang/Class;I)[Lcom/tarvelink/api/windows/WindowInfo;"},
    {"Misc", "getPidFromHandle0", "(J)I"},
    {"ObjectPicker", "show0", "(ZZZZZ)[Lcom/tarvelink/runtime/installer/platform/win32/ObjectPicker$Result;"},
    {"ShellLink", "createWide0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;ZLjava/lang/String;I)Z"},
    {"ShellLink", "changeNotify0", "([B[B)Z"},
    {"ShellLink", "initialize0", "()Z"},
    {"ShellLink", "uninitialize", "()Z"},
    {"ShellLink", "create0", "(Ljava/lang/String;[B[B[B[BZ[B)Z"},
    {"VistaFileChooser", "initialize0", "()V"},
    {"VistaFileChooser", "displayDialog0", "(JLjava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IIZLjava/lang/String;[Ljava/lang/String;[Ljava/lang/String;I[Ljava/lang/String;[Z)[Ljava/lang/String;"},
    {"VistaTaskDialog", "show0", "(JLjava/lang/String;Ljava/lang/String;Ljava/lang/String;IIILjava/lang/String;[Ljava/lang/String;I)I"},
    {"VistaTaskDialog", "init0", "()V"},
    {"Win32CommunicationBackend", "getInvalidHandle0", "()J"},
    {"Win32CommunicationBackend", "createListener0", "(Ljava/lang/String;)J"},
    {"Win32CommunicationBackend", "readDataBlock0", "(J)[B"},
    {"Win32CommunicationBackend", "writeDataBlock0", "(J[B)Z"},
    {"Win32CommunicationBackend", "connectClient0", "(Ljava/lang/String;)J"},
    {"Win32CommunicationBackend", "connectNamedPipe0", "(J)Z"},
    {"Win32CommunicationBackend", "disconnectNamedPipe0", "(J)V"},
    {"Win32CommunicationBackend", "closeHandle0", "(J)V"},
    {"Win32CommunicationBackend", "isProcessAlive0", "(I)Z"},
    {"Win32CommunicationBackend", "getCurrentProcessId0", "()I"},
    {"Win32Proxy", "getIEConfig0", "([Ljava/lang/String;)I"},
    {"Win32Proxy", "getDefaultConfig0", "([Ljava/lang/String;)I"},
    {"Win32Proxy", "getAutoProxyConfig0", "([Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IIZ)J"},
    {"Win32Proxy", "loadFunctions0", "()Z"},
    {"Win32UserInfo", "isMemberOfGroup0", "(I)Z"},
    {"Win32UserInfo", "executeElevated0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;I)Z"},
    {"Win32UserInfo", "getElevationType0", "()I"},
    {"Win32UserInfo", "addUser0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;ZZ)Ljava/lang/String;"},
    {"Win32UserInfo", "deleteUser0", "(Ljava/lang/String;Ljava/lang/String;)I"},
    {"Win32UserInfo", "deleteLocalGroup0", "(Ljava/lang/String;Ljava/lang/String;)I"},
    {"Win32UserInfo", "getAccountName0", "(Ljava/lang/String;Z)Ljava/lang/String;"},
    {"Win32UserInfo", "getUserProfileDirectory0", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;"},
    {"Win32UserInfo", "getUserSid0", "()Ljava/lang/String;"},
    {"Win32UserInfo", "setLsaAccountRight0", "(Ljava/lang/String;Ljava/lang/String;Z)Z"},
    {"WinGuiHelper", "getPeer0", "(Ljava/awt/Window;Ljava/lang/Class;)Ljava/lang/Object;"},
    {"WinGuiHelper", "getHwnd0", "(Ljava/lang/Object;Ljava/lang/reflect/Method;)J"},
    {"ACLHandling", "addACE", "(Ljava/lang/String;ZZZZZILjava/lang/String;)Z"},
    {"Registry", "keyExists0", "(ILjava/lang/String;I)Z"},
    {"Registry", "createKey0", "(ILjava/lang/String;I)Z"},
    {"Registry", "getValue0", "(ILjava/lang/String;Ljava/lang/String;I)Ljava/lang/Object;"},
    {"Registry", "setValue0", "(ILjava/lang/String;Ljava/lang/String;Ljava/lang/Object;II)Z"},
    {"Registry", "deleteValue0", "(ILjava/lang/String;Ljava/lang/String;I)V"},
    {"Registry", "deleteKey0", "(ILjava/lang/String;ZI)V"},
    {"Registry", "saveKey0", "(ILjava/lang/String;Ljava/lang/String;I)Z"},
    {"Registry", "restoreKey0", "(ILjava/lang/String;Ljava/lang/String;I)Z"},
    {"Registry", "enumSubKeys0", "(ILjava/lang/String;I)[Ljava/lang/String;"},
    {"Registry", "enumValues0", "(ILjava/lang/String;I)[Ljava/lang/String;"},
    {"Registry", "changeNotifyAssociations0", "()V"},
    {"Win32Exec", "launch0", "(Ljava/lang/String;Ljava/lang/String;)I"},
    {"Win32Handle", "list0", "()[Ljava/lang/Object;"},
    {"Win32Handle", "close0", "(I)Z"},
    {"Win32Handle", "getDeviceName0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"Win32Services", "installService0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I"},
    {"Win32Services", "changeServiceConfig0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IILjava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I"},
    {"Win32Services", "setRestartServiceConfig0", "(Ljava/lang/String;ZIII)I"},
    {"Win32Services", "setDelayedAutoStart0", "(Ljava/lang/String;Z)I"},
    {"Win32Services", "stopService0", "(Ljava/lang/String;I)I"},
    {"Win32Services", "startService0", "(Ljava/lang/String;[Ljava/lang/String;)I"},
    {"Win32Services", "uninstallService0", "(Ljava/lang/String;)I"},
    {"Win32Services", "queryStatus0", "(Ljava/lang/String;)I"},
    {"Win32Services", "getStartType0", "(Ljava/lang/String;)I"},
    {"Win32Services", "getServiceBinary0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"com/tarvelink/runtime/installer/helper/NativeLogger", "cleanup0", "()V"},
};

std::string className(const Native& native) {
    return std::strchr(native.cls, '/') ? std::string(native.cls) : std::string(kWin32) + native.cls;
}

TEST_F(StandinJvm, TheRuntimeJarDeclaresEveryNativeOfTheLauncher) {
    startWithJar();
    for (const Native& native : kLauncherNatives) {
        SCOPED_TRACE(className(native) + "." + native.name + native.signature);
        jclass cls = env->FindClass(className(native).c_str());
        ASSERT_NE(cls, nullptr);
        JNINativeMethod method{const_cast<char*>(native.name), const_cast<char*>(native.signature),
                               reinterpret_cast<void*>(&anyNative)};
        EXPECT_EQ(env->RegisterNatives(cls, &method, 1), JNI_OK);
        EXPECT_EQ(takeException(), "");
    }
}

TEST_F(StandinJvm, RegistersOnlyDeclaredNativesAsARealVmDoes) {
    fs::path dir = freshDir("standin_jvm_natives");
    startWithJar({"-Dstandin.report=" + narrow((dir / "report.txt").wstring())});
    jclass misc = env->FindClass("com/tarvelink/runtime/installer/platform/win32/Misc");
    struct Case {
        const char* name;
        const char* signature;
        jint result;
    };
    const Case cases[] = {
        {"getFreeDiskSpace0", "(Ljava/lang/String;)J", JNI_OK},
        {"getFreeDiskSpace0", "(Ljava/lang/String;)I", JNI_ERR},
        {"getFreeDiskSpace", "(Ljava/lang/String;)J", JNI_ERR},
        {"getfreediskspace0", "(Ljava/lang/String;)J", JNI_ERR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + c.signature);
        JNINativeMethod method{const_cast<char*>(c.name), const_cast<char*>(c.signature), reinterpret_cast<void*>(&freeSpaceNative)};
        EXPECT_EQ(env->RegisterNatives(misc, &method, 1), c.result);
        std::string exception = takeException();
        EXPECT_EQ(exception.rfind("java.lang.NoSuchMethodError", 0) == 0, c.result != JNI_OK) << exception;
    }
    // A method that exists but is not native cannot be bound.
    JNINativeMethod notNative{const_cast<char*>("initFromLauncher"), const_cast<char*>("(Z)V"), reinterpret_cast<void*>(&anyNative)};
    EXPECT_EQ(env->RegisterNatives(env->FindClass("com/tarvelink/runtime/installer/platform/win32/Common"), &notNative, 1), JNI_ERR);
    EXPECT_NE(takeException(), "");

    // The records before a failing one stay registered.
    jclass fileVersion = env->FindClass("com/tarvelink/runtime/installer/platform/win32/FileVersion");
    JNINativeMethod compare{const_cast<char*>("compare0"), const_cast<char*>("(Ljava/lang/String;Ljava/lang/String;)I"),
                            reinterpret_cast<void*>(&compareNative)};
    ASSERT_EQ(env->RegisterNatives(fileVersion, &compare, 1), JNI_OK);
    JNINativeMethod pair[] = {
        {const_cast<char*>("moveWithDelayUntilReboot0"), const_cast<char*>("(Ljava/lang/String;Ljava/lang/String;)Z"),
         reinterpret_cast<void*>(&moveNative)},
        {const_cast<char*>("toFront"), const_cast<char*>("()V"), reinterpret_cast<void*>(&anyNative)},
    };
    EXPECT_EQ(env->RegisterNatives(misc, pair, 2), JNI_ERR);
    takeException();

    // Calling a native runs the registered function with the Java arguments.
    jmethodID compareId = env->GetStaticMethodID(fileVersion, "compare0", "(Ljava/lang/String;Ljava/lang/String;)I");
    EXPECT_EQ(env->CallStaticIntMethod(fileVersion, compareId, env->NewStringUTF("1.2.3"), env->NewStringUTF("10")), 502);
    jmethodID freeSpace = env->GetStaticMethodID(misc, "getFreeDiskSpace0", "(Ljava/lang/String;)J");
    EXPECT_EQ(env->CallStaticLongMethod(misc, freeSpace, env->NewStringUTF("C:\\")), 0x123456789ALL);
    jvalue moveArguments[2];
    moveArguments[0].l = env->NewStringUTF("a");
    moveArguments[1].l = nullptr;
    jmethodID move = env->GetStaticMethodID(misc, "moveWithDelayUntilReboot0", "(Ljava/lang/String;Ljava/lang/String;)Z");
    EXPECT_EQ(env->CallStaticBooleanMethodA(misc, move, moveArguments), JNI_FALSE);
    moveArguments[1].l = moveArguments[0].l;
    EXPECT_EQ(env->CallStaticBooleanMethodA(misc, move, moveArguments), JNI_TRUE);
    // A declared native without a registration is not linked.
    jmethodID toFront = env->GetStaticMethodID(misc, "toFront0", "()V");
    env->CallStaticVoidMethod(misc, toFront);
    EXPECT_EQ(takeException().rfind("java.lang.UnsatisfiedLinkError", 0), 0u);

    // What was registered appears in the report that main writes.
    jclass main = env->FindClass("com/zolta/runtime/WinLauncher");
    env->CallStaticVoidMethod(main, env->GetStaticMethodID(main, "main", "([Ljava/lang/String;)V"), strings({}));
    Report report = readReport(dir / "report.txt");
    EXPECT_EQ(values(report, "native"),
              (std::vector<std::string>{
                  "com/tarvelink/runtime/installer/platform/win32/Misc.getFreeDiskSpace0 (Ljava/lang/String;)J",
                  "com/tarvelink/runtime/installer/platform/win32/FileVersion.compare0 (Ljava/lang/String;Ljava/lang/String;)I",
                  "com/tarvelink/runtime/installer/platform/win32/Misc.moveWithDelayUntilReboot0 (Ljava/lang/String;Ljava/lang/String;)Z"}));
    EXPECT_EQ(values(report, "native.failed").size(), 5u);
}

struct MainRun {
    jclass cls;
    jmethodID main;
    jobjectArray arguments;
    DWORD thread;
};

// Calls main on a thread with a reserved stack of `stackSize` bytes, as the launcher does.
DWORD callMainOnThread(MainRun& run, SIZE_T stackSize, JavaVM* vm) {
    struct Call {
        MainRun* run;
        JavaVM* vm;
    } call{&run, vm};
    HANDLE thread = CreateThread(nullptr, stackSize, [](void* p) -> DWORD {
        auto* c = static_cast<Call*>(p);
        void* env = nullptr;
        c->vm->AttachCurrentThread(&env, nullptr);
        static_cast<JNIEnv*>(env)->CallStaticVoidMethod(c->run->cls, c->run->main, c->run->arguments);
        jboolean failed = static_cast<JNIEnv*>(env)->ExceptionCheck();
        c->vm->DetachCurrentThread();
        return failed ? 2 : 1;
    }, &call, STACK_SIZE_PARAM_IS_A_RESERVATION, &run.thread);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

TEST_F(StandinJvm, MainWritesWhatTheLauncherDid) {
    fs::path dir = freshDir("standin_jvm_main");
    fs::path reportPath = dir / "report.txt";
    std::vector<std::string> options = {"-Djava.class.path=" + runtimeJar(), "-Dstandin.report=" + narrow(reportPath.wstring()),
                                        "-Dzolta.tempDir=C:\\temp\\x", "-Xss4m", "-Xunknown", "-Dzolta.isTarvelink=true"};
    ASSERT_EQ(start(options), JNI_OK);

    jclass winDel = env->FindClass("com/zolta/runtime/util/WinDel");
    std::wstring executable = L"C:\\setup\\Gr\u00fc\u00dfe.exe";
    jstring path = env->NewString(reinterpret_cast<const jchar*>(executable.c_str()), jsize(executable.size()));
    env->SetStaticObjectField(winDel, env->GetStaticFieldID(winDel, "externalExecutable", "Ljava/lang/String;"), path);

    jclass system = env->FindClass("java/lang/System");
    jmethodID setProperty = env->GetStaticMethodID(system, "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    jobject old = env->CallStaticObjectMethod(system, setProperty, env->NewStringUTF("zolta.moduleName"), path);
    EXPECT_EQ(old, nullptr);

    jclass common = env->FindClass("com/tarvelink/runtime/installer/platform/win32/Common");
    env->CallStaticVoidMethod(common, env->GetStaticMethodID(common, "initFromLauncher", "(Z)V"), JNI_TRUE);
    env->CallStaticVoidMethod(common, env->GetStaticMethodID(common, "initFromLauncher", "(Z)V"), JNI_FALSE);

    jclass splash = env->FindClass("com/zolta/runtime/WinLauncher");
    jmethodID init = env->GetStaticMethodID(splash, "initAwtSplashConfig",
                                            "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V");
    env->CallStaticVoidMethod(splash, init, JNI_TRUE, JNI_FALSE, env->NewStringUTF("Loading"), jint(10), jint(-20),
                              env->NewStringUTF("1.0"), jint(1), jint(2), nullptr, jint(3), jint(4),
                              env->NewStringUTF("say \"hi\""), jint(5), jint(6));

    MainRun run{env->FindClass("com/tarvelink/runtime/launcher/WinLauncher"), nullptr,
                strings({L"true", L"com.example.App", L"", L"", L"false", L"setup.exe", L"two words", L"\u20ac"}), 0};
    run.main = env->GetStaticMethodID(run.cls, "main", "([Ljava/lang/String;)V");
    EXPECT_EQ(callMainOnThread(run, 4 << 20, vm), 1u);

    Report report = readReport(reportPath);
    std::vector<std::string> expectedOptions = options;
    EXPECT_EQ(values(report, "option"), expectedOptions);
    EXPECT_EQ(values(report, "classpath"), std::vector<std::string>{runtimeJar()});
    EXPECT_EQ(values(report, "main.class"), std::vector<std::string>{"com/tarvelink/runtime/launcher/WinLauncher"});
    EXPECT_EQ(values(report, "arg"), (std::vector<std::string>{"true", "com.example.App", "", "", "false", "setup.exe",
                                                               "two words", "\xe2\x82\xac"}));
    EXPECT_EQ(values(report, "main.thread"), std::vector<std::string>{std::to_string(run.thread)});
    EXPECT_EQ(values(report, "main.stack"), std::vector<std::string>{std::to_string(4 << 20)});
    EXPECT_EQ(values(report, "create.thread"), std::vector<std::string>{std::to_string(GetCurrentThreadId())});
    EXPECT_EQ(values(report, "static"),
              std::vector<std::string>{"com/zolta/runtime/util/WinDel.externalExecutable=\"C:\\\\setup\\\\Gr\xc3\xbc\xc3\x9f" "e.exe\""});
    EXPECT_EQ(values(report, "setProperty"), std::vector<std::string>{"zolta.moduleName=C:\\setup\\Gr\xc3\xbc\xc3\x9f" "e.exe"});
    EXPECT_EQ(values(report, "call"),
              (std::vector<std::string>{
                  "com/tarvelink/runtime/installer/platform/win32/Common.initFromLauncher(true)",
                  "com/tarvelink/runtime/installer/platform/win32/Common.initFromLauncher(false)",
                  "com/zolta/runtime/WinLauncher.initAwtSplashConfig(true, false, \"Loading\", 10, -20, \"1.0\", 1, 2, "
                  "null, 3, 4, \"say \\\"hi\\\"\", 5, 6)"}));
    std::vector<std::string> properties = values(report, "property");
    for (const char* expected : {"zolta.tempDir=C:\\temp\\x", "zolta.isTarvelink=true", "zolta.moduleName=C:\\setup\\Gr\xc3\xbc\xc3\x9f" "e.exe"}) {
        EXPECT_NE(std::find(properties.begin(), properties.end(), expected), properties.end()) << expected;
    }
    EXPECT_TRUE(values(report, "main.exception").empty());
    EXPECT_TRUE(values(report, "unreleased.strings").empty());

    // The second setProperty returns the value before; the report follows later events.
    jobject before = env->CallStaticObjectMethod(system, setProperty, env->NewStringUTF("zolta.moduleName"), env->NewStringUTF("x"));
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(env->GetStringLength(static_cast<jstring>(before)), jsize(executable.size()));
    EXPECT_EQ(values(readReport(reportPath), "setProperty").size(), 2u);
    destroy();
    EXPECT_EQ(values(readReport(reportPath), "destroyed"), std::vector<std::string>{"true"});
}

TEST_F(StandinJvm, ScenarioMakesMainThrowOrWait) {
    fs::path dir = freshDir("standin_jvm_scenario");
    struct Case {
        const char* scenario;
        const char* exception;
        int minimumMs;
    };
    const Case cases[] = {
        {"throw=java.lang.IllegalStateException:installer broken\n", "java.lang.IllegalStateException: installer broken", 0},
        {"# a comment\n\nthrow=java/lang/RuntimeException\n", "java.lang.RuntimeException", 0},
        {"throw=com/example/SetupFailed:no: space\r\n", "com.example.SetupFailed: no: space", 0},
        {"wait=300\n", "", 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        writeFile(dir / "scenario.txt", c.scenario);
        startWithJar({"-Dstandin.report=" + narrow((dir / "report.txt").wstring()),
                      "-Dstandin.scenario=" + narrow((dir / "scenario.txt").wstring())});
        jclass cls = env->FindClass("com/zolta/runtime/WinLauncher");
        jmethodID main = env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V");
        auto begin = std::chrono::steady_clock::now();
        env->CallStaticVoidMethod(cls, main, strings({L"x"}));
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin);
        EXPECT_GE(elapsed.count(), c.minimumMs);
        EXPECT_EQ(env->ExceptionCheck(), *c.exception ? JNI_TRUE : JNI_FALSE);
        EXPECT_EQ(takeException(), c.exception);
        Report report = readReport(dir / "report.txt");
        EXPECT_EQ(values(report, "arg"), std::vector<std::string>{"x"});
        std::vector<std::string> expected;
        if (*c.exception) expected.push_back(c.exception);
        EXPECT_EQ(values(report, "main.exception"), expected);
        destroy();
    }
}

TEST_F(StandinJvm, ExceptionDescribeClearsAndIsReported) {
    fs::path dir = freshDir("standin_jvm_describe");
    writeFile(dir / "scenario.txt", "throw=java.lang.IllegalStateException:gone\n");
    startWithJar({"-Dstandin.report=" + narrow((dir / "report.txt").wstring()),
                  "-Dstandin.scenario=" + narrow((dir / "scenario.txt").wstring())});
    jclass cls = env->FindClass("com/zolta/runtime/WinLauncher");
    env->CallStaticVoidMethod(cls, env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V"), strings({}));
    ASSERT_TRUE(env->ExceptionCheck());
    env->ExceptionDescribe();
    EXPECT_FALSE(env->ExceptionCheck());
    EXPECT_EQ(values(readReport(dir / "report.txt"), "exception.described"),
              std::vector<std::string>{"java.lang.IllegalStateException: gone"});
}

// Natives that the scenario calls: they build their results through the JNI as the launcher's do.
jint JNICALL terminateNative(JNIEnv* env, jclass, jintArray pids, jboolean force, jint timeout) {
    jint sum = 0;
    jint* elements = env->GetIntArrayElements(pids, nullptr);
    for (jsize i = 0; i < env->GetArrayLength(pids); ++i) sum += elements[i];
    env->ReleaseIntArrayElements(pids, elements, JNI_ABORT);
    return force ? sum + timeout : -1;
}

jobjectArray JNICALL windowsNative(JNIEnv* env, jclass, jclass windowInfo, jint count) {
    jmethodID constructor = env->GetMethodID(windowInfo, "<init>", "(JILjava/lang/String;Ljava/lang/String;)V");
    jobjectArray array = env->NewObjectArray(count, windowInfo, nullptr);
    for (jint i = 0; i < count; ++i) {
        jobject info = env->NewObject(windowInfo, constructor, jlong(0x1000 + i), jint(40 + i), env->NewStringUTF("Setup"),
                                      env->NewStringUTF("SunAwtFrame"));
        env->SetObjectArrayElement(array, i, info);
    }
    return array;
}

jstring JNICALL accountNative(JNIEnv* env, jclass, jstring sid, jboolean qualified) {
    const jchar* characters = env->GetStringChars(sid, nullptr);
    std::u16string text(reinterpret_cast<const char16_t*>(characters), size_t(env->GetStringLength(sid)));
    if (!qualified) env->ReleaseStringChars(sid, characters);  // leaks the characters when qualified
    text.insert(0, u"BUILTIN\\");
    return env->NewString(reinterpret_cast<const jchar*>(text.c_str()), jsize(text.size()));
}

jboolean JNICALL changeNotifyNative(JNIEnv* env, jclass, jbyteArray a, jbyteArray b) {
    return env->GetArrayLength(a) == 3 && b == nullptr;
}

TEST_F(StandinJvm, ScenarioCallsRegisteredNatives) {
    fs::path dir = freshDir("standin_jvm_call");
    writeFile(dir / "scenario.txt",
              "call=com.tarvelink.runtime.installer.platform.win32.Misc.terminateProcesses0({1, 2, 3}, true, 100)\n"
              "call=com/tarvelink/runtime/installer/platform/win32/Misc.getTopLevelWindows0(class:com.tarvelink.api.windows.WindowInfo, 2)\n"
              "call=com/tarvelink/runtime/installer/platform/win32/Win32UserInfo.getAccountName0(\"S-1-5-32-544\", false)\n"
              "call=com/tarvelink/runtime/installer/platform/win32/ShellLink.changeNotify0(\"a\\0b\", null)\n"
              "call=com/tarvelink/runtime/installer/platform/win32/Misc.toFront0()\n"
              "call=com/tarvelink/runtime/installer/platform/win32/Win32UserInfo.getAccountName0(\"x\", true)\n");
    startWithJar({"-Dstandin.report=" + narrow((dir / "report.txt").wstring()),
                  "-Dstandin.scenario=" + narrow((dir / "scenario.txt").wstring())});
    struct Binding {
        const char* cls;
        JNINativeMethod method;
    };
    const Binding bindings[] = {
        {"Misc", {const_cast<char*>("terminateProcesses0"), const_cast<char*>("([IZI)I"), reinterpret_cast<void*>(&terminateNative)}},
        {"Misc", {const_cast<char*>("getTopLevelWindows0"), const_cast<char*>("(Ljava/lang/Class;I)[Lcom/tarvelink/api/windows/WindowInfo;"),
                  reinterpret_cast<void*>(&windowsNative)}},
        {"Win32UserInfo", {const_cast<char*>("getAccountName0"), const_cast<char*>("(Ljava/lang/String;Z)Ljava/lang/String;"),
                           reinterpret_cast<void*>(&accountNative)}},
        {"ShellLink", {const_cast<char*>("changeNotify0"), const_cast<char*>("([B[B)Z"), reinterpret_cast<void*>(&changeNotifyNative)}},
    };
    for (const Binding& binding : bindings) {
        ASSERT_EQ(env->RegisterNatives(env->FindClass((std::string(kWin32) + binding.cls).c_str()), &binding.method, 1), JNI_OK);
    }
    jclass cls = env->FindClass("com/zolta/runtime/WinLauncher");
    env->CallStaticVoidMethod(cls, env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V"), strings({}));
    EXPECT_FALSE(env->ExceptionCheck());
    Report report = readReport(dir / "report.txt");
    EXPECT_EQ(values(report, "result"),
              (std::vector<std::string>{
                  "com/tarvelink/runtime/installer/platform/win32/Misc.terminateProcesses0=106",
                  "com/tarvelink/runtime/installer/platform/win32/Misc.getTopLevelWindows0=["
                  "com/tarvelink/api/windows/WindowInfo(4096, 40, \"Setup\", \"SunAwtFrame\"), "
                  "com/tarvelink/api/windows/WindowInfo(4097, 41, \"Setup\", \"SunAwtFrame\")]",
                  "com/tarvelink/runtime/installer/platform/win32/Win32UserInfo.getAccountName0=\"BUILTIN\\\\S-1-5-32-544\"",
                  "com/tarvelink/runtime/installer/platform/win32/ShellLink.changeNotify0=true",
                  "com/tarvelink/runtime/installer/platform/win32/Win32UserInfo.getAccountName0=\"BUILTIN\\\\x\""}));
    EXPECT_EQ(values(report, "result.exception"),
              std::vector<std::string>{"com/tarvelink/runtime/installer/platform/win32/Misc.toFront0="
                                       "java.lang.UnsatisfiedLinkError: com.tarvelink.runtime.installer.platform.win32.Misc.toFront0()V"});
    EXPECT_EQ(values(report, "unreleased.strings"), std::vector<std::string>{"1"});
}

// The cases that end the process run in the probe, a child process.
std::wstring quoted(const std::string& text) { return L"\"" + widen(text) + L"\""; }

TEST(StandinJvmProcess, ScenarioExitEndsTheProcessWithItsCode) {
    fs::path dir = freshDir("standin_jvm_exit");
    writeFile(dir / "scenario.txt", "wait=10\nexit=7\nthrow=java.lang.IllegalStateException:not reached\n");
    std::wstring arguments = L"main " + quoted("-Djava.class.path=" + runtimeJar()) + L" " +
                             quoted("-Dstandin.report=" + narrow((dir / "report.txt").wstring())) + L" " +
                             quoted("-Dstandin.scenario=" + narrow((dir / "scenario.txt").wstring()));
    ProcessResult result = runProcess(binDir() / "standin_jvm_probe.exe", arguments);
    EXPECT_EQ(result.exitCode, 7u) << result.err;
    Report report = readReport(dir / "report.txt");
    EXPECT_EQ(values(report, "arg"), std::vector<std::string>{"probe"});
    EXPECT_EQ(values(report, "scenario.wait"), std::vector<std::string>{"10"});
    EXPECT_EQ(values(report, "scenario.exit"), std::vector<std::string>{"7"});
    EXPECT_TRUE(values(report, "scenario.throw").empty());
    EXPECT_TRUE(values(report, "destroyed").empty());
}

TEST(StandinJvmProcess, FailsLoudly) {
    fs::path dir = freshDir("standin_jvm_loud");
    writeFile(dir / "scenario.txt", "sleep=10\n");
    struct Case {
        const char* mode;
        std::string option;
        DWORD exitCode;
        const char* message;
    };
    const Case cases[] = {
        {"slot", "-Dx=1", 3, "JNIEnv function MonitorEnter (slot 217) is not implemented"},
        {"main", "-Dstandin.scenario=" + narrow((dir / "scenario.txt").wstring()), 3, "unknown scenario instruction: sleep=10"},
        {"main", "-Dstandin.scenario=" + narrow((dir / "missing.txt").wstring()), 3, "cannot read the scenario"},
        {"main", "-splash:none", 10, "Unrecognized option: -splash:none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ProcessResult result = runProcess(binDir() / "standin_jvm_probe.exe",
                                          widen(c.mode) + L" " + quoted("-Djava.class.path=" + runtimeJar()) + L" " + quoted(c.option));
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

}  // namespace
