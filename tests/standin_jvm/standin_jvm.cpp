// The JVM library of the stand-in runtime: JNI_CreateJavaVM and the JNI function tables, without a
// byte-code interpreter. What the launcher does with the VM is recorded and written to a report.
//
// Creation checks the options as a real VM does: an option that is not recognised fails the creation,
// unless ignoreUnrecognized is set and the option begins with "-X" or "_" (then it is ignored).
// Recognised are -D..., -verbose[:...], -ea/-da/-esa/-dsa and their long forms, -agentlib:, -agentpath:,
// -javaagent:, the -X options of a current VM (-Xss, -Xmx, -Xms, -Xrs, -Xint, -Xcheck:, -Xlog, -XX:, ...),
// the module options (--add-modules=, --add-opens=, --add-exports=, --add-reads=, --module-path=,
// --upgrade-module-path=, --limit-modules=, --patch-module=, --enable-native-access=, --illegal-access=)
// and the hooks "exit", "abort" and "vfprintf".
//
// Classes come from the class path of -Djava.class.path= (directories and jars, ';'-separated), read
// with the class files' own declarations of methods, fields and natives, plus a small built-in set of
// java/... classes. Calling a Java method does not run it:
//   - a static main([Ljava/lang/String;)V writes the report and then follows the scenario file;
//   - a native method runs the function registered for it (integer, long, boolean and reference
//     arguments only, which covers every native of the launcher);
//   - the methods of the built-in classes behave as needed (System.setProperty, Throwable.toString, ...);
//   - any other method is recorded with its arguments and returns zero or null.
//
// System properties: standin.report names the report file, standin.scenario the scenario file.
// The report is text, one "key=value" line each, in this order:
//   option=TEXT (each option in order)  classpath=ENTRY  main.class=NAME  arg=TEXT (each argument)
//   main.thread=ID  main.stack=BYTES  create.thread=ID
//   the events in the order they happened: native=CLASS.NAME SIGNATURE, native.failed=...,
//   static=CLASS.FIELD=VALUE, field=CLASS.FIELD=VALUE, setProperty=KEY=VALUE, call=CLASS.NAME(ARGS),
//   exception.described=TEXT, the scenario lines as they run (scenario.KEY=VALUE) and the results
//   of scenario calls (result=..., result.exception=...)
//   property=KEY=VALUE (all system properties at the time of writing, by key)
//   main.exception=TEXT (when main ends with an exception pending)  destroyed=true
// Text values are UTF-8 with CR and LF written as \r and \n; call arguments and field values are
// written as Java literals ("text" with escapes, null, true, 12, class NAME, [a, b]).
// The report is written when main is called and again at every later event.
//
// The scenario file has one instruction a line, run in order after the report is first written:
//   throw=CLASS:MESSAGE  main ends with that exception pending (CLASS in '/' or '.' form)
//   wait=MS              sleeps
//   exit=CODE            ends the process (through the "exit" hook when one was given)
//   call=CLASS.METHOD(ARGUMENTS)  calls a static method, usually a registered native, and records
//                        "result=CLASS.METHOD=VALUE" or "result.exception=CLASS.METHOD=TEXT". Arguments are
//                        literals: numbers, true, false, null, "text" (escapes \" \\ \n \r \t \0),
//                        class:NAME, and {literal, ...} for arrays; a "text" for a byte[] gives its bytes.
// Lines that begin with '#' and empty lines are skipped; an unknown instruction fails loudly.
//
// Unlike a real VM, a new VM can be created after DestroyJavaVM: each one starts afresh.
// Every JNI function that is not implemented prints its name to the standard error stream and aborts.
#include <windows.h>

#include <jni.h>
#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "jni_slot_names.h"

namespace {

static_assert(sizeof(JNINativeInterface_) / sizeof(void*) == std::size(kEnvSlotNames));
static_assert(sizeof(JNIInvokeInterface_) / sizeof(void*) == std::size(kVmSlotNames));

[[noreturn]] void fatal(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::fputs("stand-in JVM: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    va_end(arguments);
    std::abort();
}

// ---------------------------------------------------------------------------------------------
// Classes, methods, fields and objects

constexpr uint16_t kAccStatic = 0x0008;
constexpr uint16_t kAccNative = 0x0100;

struct ClassInfo;
struct Object;

struct MethodInfo {
    ClassInfo* owner;
    std::string name, descriptor;
    bool isStatic, isNative;
    void* function = nullptr;  // registered native
};

struct FieldInfo {
    ClassInfo* owner;
    std::string name, descriptor;
    bool isStatic;
    jvalue value{};  // a static field's value
};

struct ClassInfo {
    std::string name;  // slash form
    std::string superName;
    ClassInfo* super = nullptr;
    bool builtIn = false;
    std::deque<MethodInfo> methods;
    std::deque<FieldInfo> fields;
    Object* mirror = nullptr;
};

enum class Kind { Class, String, Array, Instance };

constexpr uint32_t kObjectMagic = 0x4a4f424a;

struct Object {
    uint32_t magic = kObjectMagic;
    Kind kind;
    ClassInfo* cls;                    // the object's class (for a class object: java/lang/Class)
    ClassInfo* described = nullptr;    // a class object's class
    std::u16string text;               // a string's characters
    std::vector<Object*> elements;     // an object array's elements
    std::vector<unsigned char> data;   // a primitive array's elements
    size_t length = 0;                 // an array's length
    char elementType = 0;              // a primitive array's element type
    std::map<const FieldInfo*, jvalue> fields;
    bool hasMessage = false;           // a throwable's message
    std::u16string message;
    std::string constructed;           // the constructor's arguments, as report text
    jvalue boxed{};                    // value of Integer, Long and Boolean
};

size_t elementSize(char type) {
    switch (type) {
    case 'Z': case 'B': return 1;
    case 'C': case 'S': return 2;
    case 'I': case 'F': return 4;
    case 'J': case 'D': return 8;
    }
    fatal("bad primitive array type %c", type);
}

// ---------------------------------------------------------------------------------------------
// Text

// Modified UTF-8 (standard UTF-8 is read as well; a byte that is neither gives its Latin-1 character).
std::u16string decodeModifiedUtf8(const std::string& bytes) {
    std::u16string out;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.c_str());
    const auto* end = p + bytes.size();
    while (p < end) {
        unsigned c = *p;
        if (c < 0x80) {
            out.push_back(char16_t(c));
            ++p;
        } else if ((c & 0xe0) == 0xc0 && (p[1] & 0xc0) == 0x80) {
            out.push_back(char16_t(((c & 0x1f) << 6) | (p[1] & 0x3f)));
            p += 2;
        } else if ((c & 0xf0) == 0xe0 && (p[1] & 0xc0) == 0x80 && (p[2] & 0xc0) == 0x80) {
            out.push_back(char16_t(((c & 0x0f) << 12) | ((p[1] & 0x3f) << 6) | (p[2] & 0x3f)));
            p += 3;
        } else if ((c & 0xf8) == 0xf0 && (p[1] & 0xc0) == 0x80 && (p[2] & 0xc0) == 0x80 && (p[3] & 0xc0) == 0x80) {
            unsigned code = ((c & 0x07) << 18) | ((p[1] & 0x3f) << 12) | ((p[2] & 0x3f) << 6) | (p[3] & 0x3f);
            code -= 0x10000;
            out.push_back(char16_t(0xd800 + (code >> 10)));
            out.push_back(char16_t(0xdc00 + (code & 0x3ff)));
            p += 4;
        } else {  // not UTF-8: the byte as a Latin-1 character
            out.push_back(char16_t(c));
            ++p;
        }
    }
    return out;
}

std::string encodeModifiedUtf8(const char16_t* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        unsigned c = text[i];
        if (c != 0 && c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xc0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3f)));
        } else {
            out.push_back(char(0xe0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3f)));
            out.push_back(char(0x80 | (c & 0x3f)));
        }
    }
    return out;
}

std::string toUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned c = text[i];
        if (c >= 0xd800 && c < 0xdc00 && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] < 0xe000) {
            c = 0x10000 + ((c - 0xd800) << 10) + (text[++i] - 0xdc00);
        }
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xc0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3f)));
        } else if (c < 0x10000) {
            out.push_back(char(0xe0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3f)));
            out.push_back(char(0x80 | (c & 0x3f)));
        } else {
            out.push_back(char(0xf0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3f)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3f)));
            out.push_back(char(0x80 | (c & 0x3f)));
        }
    }
    return out;
}

std::u16string fromAscii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// One line of report text: CR and LF escaped.
std::string lineText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out.append("\\n");
        else if (c == '\r') out.append("\\r");
        else out.push_back(c);
    }
    return out;
}

std::string dotted(std::string name) {
    std::replace(name.begin(), name.end(), '/', '.');
    return name;
}

// ---------------------------------------------------------------------------------------------
// Class path: directories and jars

struct JarEntry {
    uint16_t method;
    uint32_t compressedSize, size, localOffset;
};

struct ClassPathEntry {
    std::string path;
    bool isJar = false;
    std::vector<unsigned char> bytes;  // the whole jar
    std::map<std::string, JarEntry> entries;
};

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes.clear();
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return true;
}

uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t le32(const unsigned char* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

// Reads a jar's central directory; false when the file is not a zip archive.
bool indexJar(ClassPathEntry& jar) {
    const auto& b = jar.bytes;
    if (b.size() < 22) return false;
    size_t end = b.size() - 22;
    size_t stop = b.size() > 22 + 65535 ? b.size() - 22 - 65535 : 0;
    while (le32(&b[end]) != 0x06054b50) {
        if (end == stop) return false;
        --end;
    }
    size_t count = le16(&b[end + 10]);
    size_t at = le32(&b[end + 16]);
    for (size_t i = 0; i < count; ++i) {
        if (at + 46 > b.size() || le32(&b[at]) != 0x02014b50) return false;
        size_t nameLength = le16(&b[at + 28]);
        if (at + 46 + nameLength > b.size()) return false;
        std::string name(reinterpret_cast<const char*>(&b[at + 46]), nameLength);
        jar.entries[name] = JarEntry{le16(&b[at + 10]), le32(&b[at + 20]), le32(&b[at + 24]), le32(&b[at + 42])};
        at += 46 + nameLength + le16(&b[at + 30]) + le16(&b[at + 32]);
    }
    return true;
}

bool readJarEntry(const ClassPathEntry& jar, const JarEntry& entry, std::vector<unsigned char>& out) {
    const auto& b = jar.bytes;
    size_t at = entry.localOffset;
    if (at + 30 > b.size() || le32(&b[at]) != 0x04034b50) return false;
    size_t start = at + 30 + le16(&b[at + 26]) + le16(&b[at + 28]);
    if (start + entry.compressedSize > b.size()) return false;
    out.assign(entry.size, 0);
    if (entry.method == 0) {
        if (entry.compressedSize != entry.size) return false;
        std::memcpy(out.data(), &b[start], entry.size);
        return true;
    }
    if (entry.method != 8) return false;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    stream.next_in = const_cast<Bytef*>(&b[start]);
    stream.avail_in = entry.compressedSize;
    stream.next_out = out.data();
    stream.avail_out = entry.size;
    int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    return result == Z_STREAM_END && stream.total_out == entry.size;
}

// Reads a class file's name, super class, fields and methods; false when it is not a class file.
bool parseClassFile(const std::vector<unsigned char>& b, ClassInfo& info) {
    size_t at = 0;
    auto need = [&](size_t n) { return at + n <= b.size(); };
    auto u1 = [&]() { return b[at++]; };
    auto u2 = [&]() { uint16_t v = uint16_t((b[at] << 8) | b[at + 1]); at += 2; return v; };
    if (!need(10) || b[0] != 0xca || b[1] != 0xfe || b[2] != 0xba || b[3] != 0xbe) return false;
    at = 8;
    uint16_t count = u2();
    std::vector<std::string> utf8(count);
    std::vector<uint16_t> classNameIndex(count);
    for (uint16_t i = 1; i < count; ++i) {
        if (!need(1)) return false;
        uint8_t tag = u1();
        switch (tag) {
        case 1: {
            if (!need(2)) return false;
            uint16_t length = u2();
            if (!need(length)) return false;
            utf8[i].assign(reinterpret_cast<const char*>(&b[at]), length);
            at += length;
            break;
        }
        case 7: if (!need(2)) return false; classNameIndex[i] = u2(); break;
        case 8: case 16: case 19: case 20: at += 2; break;
        case 15: at += 3; break;
        case 3: case 4: case 9: case 10: case 11: case 12: case 17: case 18: at += 4; break;
        case 5: case 6: at += 8; ++i; break;
        default: return false;
        }
    }
    if (!need(8)) return false;
    u2();  // access flags
    uint16_t thisClass = u2();
    uint16_t superClass = u2();
    if (thisClass >= count) return false;
    info.name = utf8[classNameIndex[thisClass]];
    info.superName = superClass && superClass < count ? utf8[classNameIndex[superClass]] : std::string();
    uint16_t interfaces = u2();
    at += 2 * interfaces;
    auto skipAttributes = [&]() {
        if (!need(2)) return false;
        uint16_t attributes = u2();
        for (uint16_t a = 0; a < attributes; ++a) {
            if (!need(6)) return false;
            at += 2;
            size_t length = (size_t(b[at]) << 24) | (size_t(b[at + 1]) << 16) | (size_t(b[at + 2]) << 8) | b[at + 3];
            at += 4 + length;
        }
        return need(0);
    };
    for (int pass = 0; pass < 2; ++pass) {
        if (!need(2)) return false;
        uint16_t members = u2();
        for (uint16_t m = 0; m < members; ++m) {
            if (!need(6)) return false;
            uint16_t flags = u2(), name = u2(), descriptor = u2();
            if (name >= count || descriptor >= count) return false;
            if (pass == 0) {
                info.fields.push_back(FieldInfo{&info, utf8[name], utf8[descriptor], (flags & kAccStatic) != 0});
            } else {
                info.methods.push_back(MethodInfo{&info, utf8[name], utf8[descriptor], (flags & kAccStatic) != 0,
                                                  (flags & kAccNative) != 0});
            }
            if (!skipAttributes()) return false;
        }
    }
    return true;
}

// The java/... classes the VM itself provides. Members: "+" static, "-" instance; a method has a
// descriptor in parentheses, a field "name:descriptor".
struct BuiltInClass {
    const char* name;
    const char* super;
    const char* members;
};

constexpr BuiltInClass kBuiltIns[] = {
    {"java/lang/Object", "", "-<init>()V -toString()Ljava/lang/String; -hashCode()I -equals(Ljava/lang/Object;)Z "
                             "-getClass()Ljava/lang/Class;"},
    {"java/lang/String", "java/lang/Object", "-<init>()V -length()I -isEmpty()Z -getBytes()[B "
                                             "+valueOf(Ljava/lang/Object;)Ljava/lang/String;"},
    {"java/lang/Class", "java/lang/Object", "-getName()Ljava/lang/String;"},
    {"java/lang/System", "java/lang/Object",
     "+setProperty(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String; "
     "+getProperty(Ljava/lang/String;)Ljava/lang/String; +exit(I)V +currentTimeMillis()J"},
    {"java/lang/Number", "java/lang/Object", "-intValue()I -longValue()J"},
    {"java/lang/Integer", "java/lang/Number", "-<init>(I)V +valueOf(I)Ljava/lang/Integer;"},
    {"java/lang/Long", "java/lang/Number", "-<init>(J)V +valueOf(J)Ljava/lang/Long;"},
    {"java/lang/Boolean", "java/lang/Object", "-<init>(Z)V -booleanValue()Z +valueOf(Z)Ljava/lang/Boolean;"},
    {"java/lang/Thread", "java/lang/Object", "+currentThread()Ljava/lang/Thread; -getName()Ljava/lang/String;"},
    {"java/lang/reflect/Method", "java/lang/Object",
     "-invoke(Ljava/lang/Object;[Ljava/lang/Object;)Ljava/lang/Object; -getName()Ljava/lang/String;"},
    {"java/awt/Window", "java/lang/Object", "-isVisible()Z"},
    {"java/lang/Throwable", "java/lang/Object", "-<init>()V -<init>(Ljava/lang/String;)V "
                                                "-getMessage()Ljava/lang/String; -printStackTrace()V"},
    {"java/lang/Exception", "java/lang/Throwable", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/Error", "java/lang/Throwable", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/RuntimeException", "java/lang/Exception", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/io/IOException", "java/lang/Exception", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/ClassNotFoundException", "java/lang/Exception", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/IllegalStateException", "java/lang/RuntimeException", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/IllegalArgumentException", "java/lang/RuntimeException", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/NullPointerException", "java/lang/RuntimeException", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/ArrayIndexOutOfBoundsException", "java/lang/RuntimeException", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/ArrayStoreException", "java/lang/RuntimeException", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/LinkageError", "java/lang/Error", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/NoClassDefFoundError", "java/lang/LinkageError", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/UnsatisfiedLinkError", "java/lang/LinkageError", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/IncompatibleClassChangeError", "java/lang/LinkageError", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/NoSuchMethodError", "java/lang/IncompatibleClassChangeError", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/NoSuchFieldError", "java/lang/IncompatibleClassChangeError", "-<init>()V -<init>(Ljava/lang/String;)V"},
    {"java/lang/OutOfMemoryError", "java/lang/Error", "-<init>()V -<init>(Ljava/lang/String;)V"},
};

void addBuiltInMembers(ClassInfo& info, const char* members) {
    const char* p = members;
    while (*p) {
        while (*p == ' ') ++p;
        if (!*p) break;
        bool isStatic = *p++ == '+';
        const char* end = std::strchr(p, ' ');
        std::string token(p, end ? end : p + std::strlen(p));
        p += token.size();
        size_t paren = token.find('(');
        if (paren != std::string::npos) {
            info.methods.push_back(MethodInfo{&info, token.substr(0, paren), token.substr(paren), isStatic, false});
        } else {
            size_t colon = token.find(':');
            info.fields.push_back(FieldInfo{&info, token.substr(0, colon), token.substr(colon + 1), isStatic});
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The VM

struct Env {
    const JNINativeInterface_* functions;
    Object* pending = nullptr;
    DWORD thread = 0;
};

struct Vm {
    std::recursive_mutex lock;
    std::vector<std::string> options;
    std::vector<ClassPathEntry> classPath;
    std::map<std::string, std::string> properties;
    std::map<std::string, std::unique_ptr<ClassInfo>> classes;
    std::map<DWORD, std::unique_ptr<Env>> envs;
    std::vector<std::string> events;
    DWORD createThread = 0;
    void(JNICALL* exitHook)(jint) = nullptr;
    bool mainCalled = false;
    std::string mainClass;
    std::vector<std::string> mainArguments;
    DWORD mainThread = 0;
    unsigned long long mainStack = 0;
    std::string mainException;
    bool destroyed = false;
    long unreleasedStrings = 0;
};

Vm* vm = nullptr;
JNINativeInterface_ envTable;
JNIInvokeInterface_ vmTable;
JavaVM_ javaVm;

using Lock = std::lock_guard<std::recursive_mutex>;

Object* newObject(Kind kind, ClassInfo* cls) {
    auto* object = new Object();  // objects live as long as the process: the stand-in collects no garbage
    object->kind = kind;
    object->cls = cls;
    return object;
}

ClassInfo* findLoadedOrLoad(const std::string& name);

ClassInfo* addClass(std::unique_ptr<ClassInfo> info) {
    ClassInfo* raw = info.get();
    vm->classes[raw->name] = std::move(info);
    raw->mirror = newObject(Kind::Class, nullptr);
    raw->mirror->described = raw;
    if (raw->name != "java/lang/Class") raw->mirror->cls = findLoadedOrLoad("java/lang/Class");
    if (!raw->superName.empty()) raw->super = findLoadedOrLoad(raw->superName);
    return raw;
}

std::unique_ptr<ClassInfo> loadFromClassPath(const std::string& name) {
    std::string file = name + ".class";
    for (const auto& entry : vm->classPath) {
        std::vector<unsigned char> bytes;
        bool found = false;
        if (entry.isJar) {
            auto it = entry.entries.find(file);
            found = it != entry.entries.end() && readJarEntry(entry, it->second, bytes);
        } else {
            std::string path = entry.path;
            if (!path.empty() && path.back() != '\\' && path.back() != '/') path.push_back('\\');
            path.append(file);
            found = readWholeFile(path, bytes);
        }
        if (!found) continue;
        auto info = std::make_unique<ClassInfo>();
        if (parseClassFile(bytes, *info) && info->name == name) return info;
    }
    return nullptr;
}

ClassInfo* findLoadedOrLoad(const std::string& name) {
    Lock lock(vm->lock);
    auto it = vm->classes.find(name);
    if (it != vm->classes.end()) return it->second.get();
    if (name.empty() || name.find('.') != std::string::npos) return nullptr;
    if (name[0] == '[') {
        size_t at = 1;
        while (at < name.size() && name[at] == '[') ++at;
        if (at >= name.size()) return nullptr;
        if (name[at] == 'L') {
            if (name.back() != ';' || !findLoadedOrLoad(name.substr(at + 1, name.size() - at - 2))) return nullptr;
        } else if (at + 1 != name.size() || !std::strchr("ZBCSIJFD", name[at])) {
            return nullptr;
        }
        auto info = std::make_unique<ClassInfo>();
        info->name = name;
        info->superName = "java/lang/Object";
        info->builtIn = true;
        return addClass(std::move(info));
    }
    for (const auto& builtIn : kBuiltIns) {
        if (name == builtIn.name) {
            auto info = std::make_unique<ClassInfo>();
            info->name = name;
            info->superName = builtIn.super;
            info->builtIn = true;
            addBuiltInMembers(*info, builtIn.members);
            return addClass(std::move(info));
        }
    }
    if (auto info = loadFromClassPath(name)) return addClass(std::move(info));
    return nullptr;
}

bool isSubclass(const ClassInfo* cls, const ClassInfo* base) {
    for (; cls; cls = cls->super) {
        if (cls == base) return true;
    }
    return false;
}

bool isThrowable(const ClassInfo* cls) { return isSubclass(cls, findLoadedOrLoad("java/lang/Throwable")); }

// Threads of the launcher may race DestroyJavaVM: the JavaVM functions work on one snapshot of the
// VM, which stays allocated after its destruction.
Env* currentEnv(Vm& current) {
    Lock lock(current.lock);
    auto it = current.envs.find(GetCurrentThreadId());
    return it == current.envs.end() ? nullptr : it->second.get();
}

Env* envOf(JNIEnv* env) { return reinterpret_cast<Env*>(env); }

Object* check(jobject reference, const char* function) {
    if (!reference) return nullptr;
    auto* object = reinterpret_cast<Object*>(reference);
    if (object->magic != kObjectMagic) fatal("%s: %p is not a reference", function, static_cast<void*>(reference));
    return object;
}

Object* checkNotNull(jobject reference, const char* function) {
    if (!reference) fatal("%s: null reference", function);
    return check(reference, function);
}

ClassInfo* checkClass(jclass reference, const char* function) {
    Object* object = checkNotNull(reference, function);
    if (object->kind != Kind::Class) fatal("%s: the reference is not a class", function);
    return object->described;
}

Object* checkKind(jobject reference, Kind kind, const char* function) {
    Object* object = checkNotNull(reference, function);
    if (object->kind != kind) fatal("%s: the reference has the wrong kind", function);
    return object;
}

Object* newString(std::u16string text) {
    Object* string = newObject(Kind::String, findLoadedOrLoad("java/lang/String"));
    string->text = std::move(text);
    return string;
}

Object* newThrowable(const std::string& className, const std::u16string* message) {
    ClassInfo* cls = findLoadedOrLoad(className);
    if (!cls) {  // an exception class the class path does not hold: made up on the spot
        Lock lock(vm->lock);
        auto info = std::make_unique<ClassInfo>();
        info->name = className;
        info->superName = "java/lang/RuntimeException";
        info->builtIn = true;
        cls = addClass(std::move(info));
    }
    Object* throwable = newObject(Kind::Instance, cls);
    if (message) {
        throwable->hasMessage = true;
        throwable->message = *message;
    }
    return throwable;
}

void throwNew(Env* env, const std::string& className, const std::string& message) {
    std::u16string text = fromAscii(message);
    env->pending = newThrowable(className, &text);
}

std::u16string throwableText(const Object* throwable) {
    std::u16string text = fromAscii(dotted(throwable->cls->name));
    if (throwable->hasMessage) {
        text.append(u": ");
        text.append(throwable->message);
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// Report

std::string formatObject(const Object* object);

std::string formatValue(const jvalue& value, char type) {
    char buffer[64];
    switch (type) {
    case 'Z': return value.z ? "true" : "false";
    case 'B': std::snprintf(buffer, sizeof buffer, "%d", value.b); return buffer;
    case 'C': {
        std::string out = "'";
        out.append(toUtf8(std::u16string(1, char16_t(value.c)))).push_back('\'');
        return out;
    }
    case 'S': std::snprintf(buffer, sizeof buffer, "%d", value.s); return buffer;
    case 'I': std::snprintf(buffer, sizeof buffer, "%ld", static_cast<long>(value.i)); return buffer;
    case 'J': std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value.j)); return buffer;
    case 'F': std::snprintf(buffer, sizeof buffer, "%g", double(value.f)); return buffer;
    case 'D': std::snprintf(buffer, sizeof buffer, "%g", value.d); return buffer;
    default: return formatObject(reinterpret_cast<const Object*>(value.l));
    }
}

std::string quoted(const std::u16string& text) {
    std::string out = "\"";
    for (char c : toUtf8(text)) {
        if (c == '"' || c == '\\') out.push_back('\\');
        if (c == '\n') out.append("\\n");
        else if (c == '\r') out.append("\\r");
        else out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string formatObject(const Object* object) {
    if (!object) return "null";
    switch (object->kind) {
    case Kind::String: return quoted(object->text);
    case Kind::Class: {
        std::string out = "class ";
        out.append(object->described->name);
        return out;
    }
    case Kind::Array: {
        std::string out = "[";
        for (size_t i = 0; i < object->length; ++i) {
            if (i) out.append(", ");
            if (object->elementType) {
                jvalue value{};
                size_t size = elementSize(object->elementType);
                std::memcpy(&value, &object->data[i * size], size);
                out.append(formatValue(value, object->elementType));
            } else {
                out.append(formatObject(object->elements[i]));
            }
        }
        out.push_back(']');
        return out;
    }
    case Kind::Instance:
        if (isThrowable(object->cls)) return toUtf8(throwableText(object));
        std::string out = object->cls->name;
        out.push_back('(');
        out.append(object->constructed);
        out.push_back(')');
        return out;
    }
    return "?";
}

// The parameter types of a method descriptor, one character each ('L' for references and arrays).
std::string parameterTypes(const std::string& descriptor) {
    std::string types;
    size_t at = 1;
    while (at < descriptor.size() && descriptor[at] != ')') {
        char type = descriptor[at];
        while (descriptor[at] == '[') ++at;
        if (descriptor[at] == 'L') at = descriptor.find(';', at);
        ++at;
        types.push_back(type == '[' ? 'L' : type);
    }
    return types;
}

char returnType(const std::string& descriptor) {
    char type = descriptor[descriptor.find(')') + 1];
    return type == '[' ? 'L' : type;
}

std::string formatArguments(const MethodInfo* method, const jvalue* arguments) {
    std::string types = parameterTypes(method->descriptor), out;
    for (size_t i = 0; i < types.size(); ++i) {
        if (i) out.append(", ");
        out.append(formatValue(arguments[i], types[i]));
    }
    return out;
}

void writeReport() {
    Lock lock(vm->lock);
    auto path = vm->properties.find("standin.report");
    if (path == vm->properties.end()) return;
    std::string text;
    auto line = [&](const char* key, const std::string& value) {
        text.append(key);
        text.push_back('=');
        text.append(lineText(value));
        text.push_back('\n');
    };
    for (const auto& option : vm->options) line("option", option);
    for (const auto& entry : vm->classPath) line("classpath", entry.path);
    line("main.class", vm->mainClass);
    for (const auto& argument : vm->mainArguments) line("arg", argument);
    line("main.thread", std::to_string(vm->mainThread));
    line("main.stack", std::to_string(vm->mainStack));
    line("create.thread", std::to_string(vm->createThread));
    for (const auto& event : vm->events) {
        text.append(lineText(event));
        text.push_back('\n');
    }
    for (const auto& [key, value] : vm->properties) line("property", key + "=" + value);
    if (!vm->mainException.empty()) line("main.exception", vm->mainException);
    if (vm->destroyed) line("destroyed", "true");
    if (vm->unreleasedStrings) line("unreleased.strings", std::to_string(vm->unreleasedStrings));
    FILE* file = std::fopen(path->second.c_str(), "wb");
    if (!file) fatal("cannot write the report %s", path->second.c_str());
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

void record(std::string event) {
    Lock lock(vm->lock);
    vm->events.push_back(std::move(event));
    if (vm->mainCalled) writeReport();
}

[[noreturn]] void exitProcess(int code) {
    if (vm->exitHook) vm->exitHook(code);
    std::fflush(nullptr);
    ExitProcess(UINT(code));
}

std::string trim(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t')) text.pop_back();
    size_t start = text.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : text.substr(start);
}

// The parameter descriptors of a method descriptor, one each.
std::vector<std::string> parameterDescriptors(const std::string& descriptor) {
    std::vector<std::string> out;
    size_t at = 1;
    while (at < descriptor.size() && descriptor[at] != ')') {
        size_t start = at;
        while (descriptor[at] == '[') ++at;
        if (descriptor[at] == 'L') at = descriptor.find(';', at);
        ++at;
        out.push_back(descriptor.substr(start, at - start));
    }
    return out;
}

// A literal of a scenario call: a number, true, false, null, "text" (escapes \" \\ \n \r \t \0),
// class:NAME, or {literal, ...} for an array.
struct Literal {
    enum Type { Word, Text, List } type = Word;
    std::string text;
    std::vector<Literal> elements;
};

bool parseLiteral(const std::string& source, size_t& at, Literal& literal) {
    while (at < source.size() && source[at] == ' ') ++at;
    if (at >= source.size()) return false;
    if (source[at] == '"') {
        literal.type = Literal::Text;
        for (++at; at < source.size() && source[at] != '"'; ++at) {
            char c = source[at];
            if (c == '\\' && at + 1 < source.size()) {
                c = source[++at];
                c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == '0' ? '\0' : c;
            }
            literal.text.push_back(c);
        }
        if (at >= source.size()) return false;
        ++at;
    } else if (source[at] == '{') {
        literal.type = Literal::List;
        ++at;
        while (at < source.size() && source[at] == ' ') ++at;
        if (at < source.size() && source[at] == '}') {
            ++at;
        } else {
            for (;;) {
                literal.elements.emplace_back();
                if (!parseLiteral(source, at, literal.elements.back())) return false;
                while (at < source.size() && source[at] == ' ') ++at;
                if (at >= source.size()) return false;
                if (source[at++] == '}') break;
                if (source[at - 1] != ',') return false;
            }
        }
    } else {
        size_t end = source.find_first_of(",)}", at);
        if (end == std::string::npos) return false;
        literal.text = trim(source.substr(at, end - at));
        at = end;
    }
    return true;
}

Object* newPrimitiveArrayOf(size_t length, char type);
jvalue invoke(Env* env, MethodInfo* method, Object* receiver, const jvalue* arguments);

bool toValue(const Literal& literal, const std::string& descriptor, jvalue& value) {
    value = jvalue{};
    char type = descriptor[0];
    if (literal.type == Literal::Word && literal.text == "null" && (type == 'L' || type == '[')) return true;
    switch (type) {
    case 'Z':
        if (literal.type != Literal::Word || (literal.text != "true" && literal.text != "false")) return false;
        value.z = literal.text == "true";
        return true;
    case 'B': case 'C': case 'S': case 'I': case 'J': {
        if (literal.type != Literal::Word || literal.text.empty()) return false;
        char* end = nullptr;
        long long number = std::strtoll(literal.text.c_str(), &end, 0);
        if (*end) return false;
        if (type == 'B') value.b = jbyte(number);
        else if (type == 'C') value.c = jchar(number);
        else if (type == 'S') value.s = jshort(number);
        else if (type == 'I') value.i = jint(number);
        else value.j = jlong(number);
        return true;
    }
    case 'L':
        if (literal.type == Literal::Text && (descriptor == "Ljava/lang/String;" || descriptor == "Ljava/lang/Object;")) {
            value.l = reinterpret_cast<jobject>(newString(decodeModifiedUtf8(literal.text)));
            return true;
        }
        if (literal.type == Literal::Word && literal.text.rfind("class:", 0) == 0 && descriptor == "Ljava/lang/Class;") {
            std::string name = literal.text.substr(6);
            std::replace(name.begin(), name.end(), '.', '/');
            ClassInfo* cls = findLoadedOrLoad(name);
            if (!cls) return false;
            value.l = reinterpret_cast<jobject>(cls->mirror);
            return true;
        }
        return false;
    case '[': {
        std::string element = descriptor.substr(1);
        if (element.size() == 1 && literal.type == Literal::Text && element == "B") {  // bytes of a text
            Object* array = newPrimitiveArrayOf(literal.text.size(), 'B');
            std::memcpy(array->data.data(), literal.text.data(), literal.text.size());
            value.l = reinterpret_cast<jobject>(array);
            return true;
        }
        if (literal.type != Literal::List) return false;
        std::vector<jvalue> elements(literal.elements.size());
        for (size_t i = 0; i < elements.size(); ++i) {
            if (!toValue(literal.elements[i], element, elements[i])) return false;
        }
        Object* array;
        if (element[0] == 'L' || element[0] == '[') {
            ClassInfo* cls = findLoadedOrLoad(descriptor);
            if (!cls) return false;
            array = newObject(Kind::Array, cls);
            array->length = elements.size();
            for (const jvalue& e : elements) array->elements.push_back(reinterpret_cast<Object*>(e.l));
        } else {
            array = newPrimitiveArrayOf(elements.size(), element[0]);
            size_t size = elementSize(element[0]);
            for (size_t i = 0; i < elements.size(); ++i) std::memcpy(&array->data[i * size], &elements[i], size);
        }
        value.l = reinterpret_cast<jobject>(array);
        return true;
    }
    }
    return false;
}

// call=CLASS.METHOD(LITERALS): calls the static method of that name and parameter count (a native
// runs its registered function) and records "result=CLASS.METHOD=VALUE", or "result.exception=..."
// when it ended with an exception, which is then cleared.
void scenarioCall(Env* env, const std::string& call) {
    size_t open = call.find('(');
    size_t dot = call.rfind('.', open);
    if (open == std::string::npos || dot == std::string::npos || call.back() != ')') fatal("bad scenario call: %s", call.c_str());
    std::string className = call.substr(0, dot), name = call.substr(dot + 1, open - dot - 1);
    std::replace(className.begin(), className.end(), '.', '/');
    std::vector<Literal> literals;
    size_t at = open + 1;
    while (at < call.size() && call[at] == ' ') ++at;
    if (call[at] != ')') {
        for (;;) {
            literals.emplace_back();
            if (!parseLiteral(call, at, literals.back())) fatal("bad scenario call arguments: %s", call.c_str());
            while (at < call.size() && call[at] == ' ') ++at;
            if (at >= call.size()) fatal("bad scenario call arguments: %s", call.c_str());
            if (call[at++] == ')') break;
            if (call[at - 1] != ',') fatal("bad scenario call arguments: %s", call.c_str());
        }
    }
    ClassInfo* cls = findLoadedOrLoad(className);
    if (!cls) fatal("scenario call: no class %s", className.c_str());
    MethodInfo* method = nullptr;
    for (auto& candidate : cls->methods) {
        if (candidate.isStatic && candidate.name == name && parameterDescriptors(candidate.descriptor).size() == literals.size()) method = &candidate;
    }
    if (!method) fatal("scenario call: no static method %s with %u arguments", call.c_str(), unsigned(literals.size()));
    std::vector<std::string> parameters = parameterDescriptors(method->descriptor);
    std::vector<jvalue> arguments(parameters.size() + 1);
    for (size_t i = 0; i < parameters.size(); ++i) {
        if (!toValue(literals[i], parameters[i], arguments[i])) {
            fatal("scenario call %s: argument %u does not fit %s", call.c_str(), unsigned(i + 1), parameters[i].c_str());
        }
    }
    Object* pendingBefore = env->pending;
    env->pending = nullptr;
    jvalue result = invoke(env, method, cls->mirror, arguments.data());
    std::string key = className;
    key.append(".").append(name).append("=");
    if (env->pending) {
        record("result.exception=" + key + toUtf8(throwableText(env->pending)));
    } else {
        char type = returnType(method->descriptor);
        record("result=" + key + (type == 'V' ? std::string("void") : formatValue(result, type)));
    }
    env->pending = pendingBefore;
}

void runScenario(Env* env) {
    auto path = vm->properties.find("standin.scenario");
    if (path == vm->properties.end()) return;
    std::vector<unsigned char> bytes;
    if (!readWholeFile(path->second, bytes)) fatal("cannot read the scenario %s", path->second.c_str());
    std::string text(bytes.begin(), bytes.end());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        size_t equals = line.find('=');
        std::string key = line.substr(0, equals), value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (key == "throw") {
            size_t colon = value.find(':');
            std::string className = value.substr(0, colon);
            std::replace(className.begin(), className.end(), '.', '/');
            std::u16string message = decodeModifiedUtf8(colon == std::string::npos ? "" : value.c_str() + colon + 1);
            env->pending = newThrowable(className, colon == std::string::npos ? nullptr : &message);
            record("scenario.throw=" + value);
        } else if (key == "wait") {
            record("scenario.wait=" + value);
            Sleep(DWORD(std::strtoul(value.c_str(), nullptr, 10)));
        } else if (key == "call") {
            record("scenario.call=" + value);
            scenarioCall(env, value);
        } else if (key == "exit") {
            record("scenario.exit=" + value);
            exitProcess(std::atoi(value.c_str()));
        } else {
            fatal("unknown scenario instruction: %s", line.c_str());
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Calls

using NativeFunction = uint64_t (*)(void*, void*, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t,
                                    uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t,
                                    uint64_t, uint64_t, uint64_t, uint64_t, uint64_t);
constexpr size_t kMaxNativeArguments = 20;

jvalue callNative(Env* env, MethodInfo* method, Object* receiver, const jvalue* arguments) {
    std::string types = parameterTypes(method->descriptor);
    if (types.size() > kMaxNativeArguments) fatal("%s.%s: too many arguments", method->owner->name.c_str(), method->name.c_str());
    uint64_t slots[kMaxNativeArguments] = {};
    for (size_t i = 0; i < types.size(); ++i) {
        switch (types[i]) {
        case 'Z': slots[i] = arguments[i].z; break;
        case 'B': slots[i] = uint64_t(int64_t(arguments[i].b)); break;
        case 'C': slots[i] = arguments[i].c; break;
        case 'S': slots[i] = uint64_t(int64_t(arguments[i].s)); break;
        case 'I': slots[i] = uint64_t(int64_t(arguments[i].i)); break;
        case 'J': slots[i] = uint64_t(arguments[i].j); break;
        case 'L': slots[i] = reinterpret_cast<uintptr_t>(arguments[i].l); break;
        default: fatal("%s.%s: floating-point arguments are not supported", method->owner->name.c_str(), method->name.c_str());
        }
    }
    auto function = reinterpret_cast<NativeFunction>(method->function);
    uint64_t r = function(env, receiver, slots[0], slots[1], slots[2], slots[3], slots[4], slots[5], slots[6], slots[7],
                          slots[8], slots[9], slots[10], slots[11], slots[12], slots[13], slots[14], slots[15],
                          slots[16], slots[17], slots[18], slots[19]);
    jvalue result{};
    switch (returnType(method->descriptor)) {
    case 'Z': result.z = jboolean(r & 0xff); break;
    case 'B': result.b = jbyte(r & 0xff); break;
    case 'C': result.c = jchar(r & 0xffff); break;
    case 'S': result.s = jshort(r & 0xffff); break;
    case 'I': result.i = jint(int32_t(uint32_t(r))); break;
    case 'J': result.j = jlong(r); break;
    case 'L': result.l = reinterpret_cast<jobject>(uintptr_t(r)); break;
    case 'V': break;
    default: fatal("%s.%s: floating-point results are not supported", method->owner->name.c_str(), method->name.c_str());
    }
    return result;
}

jvalue runMain(Env* env, MethodInfo* method, const jvalue* arguments) {
    Object* array = check(arguments[0].l, "main");
    {
        Lock lock(vm->lock);
        vm->mainCalled = true;
        vm->mainClass = method->owner->name;
        vm->mainArguments.clear();
        if (array) {
            for (Object* element : array->elements) vm->mainArguments.push_back(element ? toUtf8(element->text) : "null");
        }
        vm->mainThread = GetCurrentThreadId();
        ULONG_PTR low = 0, high = 0;
        GetCurrentThreadStackLimits(&low, &high);
        vm->mainStack = high - low;
        writeReport();
    }
    runScenario(env);
    if (env->pending) vm->mainException = toUtf8(throwableText(env->pending));
    writeReport();
    return jvalue{};
}

// What calling a method does; see the top of the file.
jvalue invoke(Env* env, MethodInfo* method, Object* receiver, const jvalue* arguments) {
    const std::string& cls = method->owner->name;
    const std::string& name = method->name;
    const std::string& descriptor = method->descriptor;
    jvalue result{};
    if (method->isNative) {
        if (!method->function) {
            throwNew(env, "java/lang/UnsatisfiedLinkError", dotted(cls) + "." + name + descriptor);
            return result;
        }
        return callNative(env, method, receiver, arguments);
    }
    auto string = [&](int i) { return arguments[i].l ? toUtf8(checkKind(arguments[i].l, Kind::String, name.c_str())->text) : ""; };
    if (method->isStatic && name == "main" && descriptor == "([Ljava/lang/String;)V" && !method->owner->builtIn) {
        return runMain(env, method, arguments);
    }
    if (name == "<init>") {
        receiver->constructed = formatArguments(method, arguments);
        if (isThrowable(receiver->cls) && descriptor == "(Ljava/lang/String;)V") {
            receiver->hasMessage = arguments[0].l != nullptr;
            if (arguments[0].l) receiver->message = checkKind(arguments[0].l, Kind::String, "<init>")->text;
        } else if (descriptor.size() == 4) {
            receiver->boxed = arguments[0];
        }
        return result;
    }
    if (!method->owner->builtIn) {
        std::string event = "call=";
        event.append(cls).append(".").append(name).append("(").append(formatArguments(method, arguments)).append(")");
        record(std::move(event));
        return result;
    }
    if (cls == "java/lang/System" && name == "setProperty") {
        if (!arguments[0].l || !arguments[1].l) {
            throwNew(env, "java/lang/NullPointerException", "setProperty");
            return result;
        }
        std::string key = string(0), value = string(1);
        Lock lock(vm->lock);
        auto old = vm->properties.find(key);
        if (old != vm->properties.end()) result.l = reinterpret_cast<jobject>(newString(decodeModifiedUtf8(old->second)));
        vm->properties[key] = value;
        record("setProperty=" + key + "=" + value);
    } else if (cls == "java/lang/System" && name == "getProperty") {
        Lock lock(vm->lock);
        auto it = vm->properties.find(string(0));
        if (it != vm->properties.end()) result.l = reinterpret_cast<jobject>(newString(decodeModifiedUtf8(it->second)));
    } else if (cls == "java/lang/System" && name == "exit") {
        record("exit=" + std::to_string(arguments[0].i));
        exitProcess(arguments[0].i);
    } else if (cls == "java/lang/System" && name == "currentTimeMillis") {
        result.j = jlong(GetTickCount64());
    } else if (name == "toString" || name == "getMessage" || name == "getName" || name == "valueOf") {
        Object* self = name == "valueOf" ? check(arguments[0].l, "valueOf") : receiver;
        if (cls == "java/lang/Integer" || cls == "java/lang/Long" || cls == "java/lang/Boolean") {
            Object* box = newObject(Kind::Instance, method->owner);
            box->boxed = arguments[0];
            box->constructed = formatArguments(method, arguments);
            result.l = reinterpret_cast<jobject>(box);
        } else if (!self) {
            result.l = reinterpret_cast<jobject>(newString(u"null"));
        } else if (self->kind == Kind::String) {
            result.l = reinterpret_cast<jobject>(self);
        } else if (self->kind == Kind::Class) {
            result.l = reinterpret_cast<jobject>(newString(fromAscii(dotted(self->described->name))));
        } else if (name == "getMessage") {
            result.l = self->hasMessage ? reinterpret_cast<jobject>(newString(self->message)) : nullptr;
        } else if (self->kind == Kind::Instance && isThrowable(self->cls)) {
            result.l = reinterpret_cast<jobject>(newString(throwableText(self)));
        } else {
            result.l = reinterpret_cast<jobject>(newString(decodeModifiedUtf8(formatObject(self))));
        }
    } else if (name == "printStackTrace") {
        std::fprintf(stderr, "%s\n\tat (stand-in)\n", toUtf8(throwableText(receiver)).c_str());
    } else if (name == "intValue" || name == "longValue" || name == "booleanValue") {
        result = receiver->boxed;
        if (name == "longValue" && receiver->cls->name == "java/lang/Integer") result.j = receiver->boxed.i;
        if (name == "intValue" && receiver->cls->name == "java/lang/Long") result.i = jint(receiver->boxed.j);
    } else if (name == "length") {
        result.i = jint(receiver->text.size());
    } else if (name == "getClass") {
        result.l = reinterpret_cast<jobject>(receiver->kind == Kind::Class ? findLoadedOrLoad("java/lang/Class")->mirror : receiver->cls->mirror);
    } else if (name == "hashCode") {
        result.i = jint(reinterpret_cast<uintptr_t>(receiver) >> 4);
    } else if (name == "equals") {
        result.z = receiver == check(arguments[0].l, "equals");
    } else {
        std::string event = "call=";
        event.append(cls).append(".").append(name).append("(").append(formatArguments(method, arguments)).append(")");
        record(std::move(event));
    }
    return result;
}

std::vector<jvalue> argumentsFrom(const MethodInfo* method, va_list list) {
    std::string types = parameterTypes(method->descriptor);
    std::vector<jvalue> arguments(types.size() + 1);
    for (size_t i = 0; i < types.size(); ++i) {
        switch (types[i]) {
        case 'Z': arguments[i].z = jboolean(va_arg(list, int)); break;
        case 'B': arguments[i].b = jbyte(va_arg(list, int)); break;
        case 'C': arguments[i].c = jchar(va_arg(list, int)); break;
        case 'S': arguments[i].s = jshort(va_arg(list, int)); break;
        case 'I': arguments[i].i = va_arg(list, jint); break;
        case 'J': arguments[i].j = va_arg(list, jlong); break;
        case 'F': arguments[i].f = jfloat(va_arg(list, double)); break;
        case 'D': arguments[i].d = va_arg(list, double); break;
        default: arguments[i].l = va_arg(list, jobject); break;
        }
    }
    return arguments;
}

std::vector<jvalue> argumentsFrom(const MethodInfo* method, const jvalue* values) {
    size_t count = parameterTypes(method->descriptor).size();
    std::vector<jvalue> arguments(count + 1);
    if (count && !values) fatal("%s: no argument array", method->name.c_str());
    std::copy(values, values + count, arguments.begin());
    return arguments;
}

MethodInfo* checkMethod(jmethodID id, const char* function) {
    if (!id) fatal("%s: null method id", function);
    return reinterpret_cast<MethodInfo*>(id);
}

void checkReturn(const MethodInfo* method, char type, const char* function) {
    char declared = returnType(method->descriptor);
    if (declared != type) {
        fatal("%s: %s.%s%s does not return that type", function, method->owner->name.c_str(), method->name.c_str(),
              method->descriptor.c_str());
    }
}

jvalue callStatic(JNIEnv* env, jclass cls, jmethodID id, std::vector<jvalue> arguments, char type, const char* function) {
    checkClass(cls, function);
    MethodInfo* method = reinterpret_cast<MethodInfo*>(id);
    if (!method->isStatic) fatal("%s: %s.%s is not static", function, method->owner->name.c_str(), method->name.c_str());
    checkReturn(method, type, function);
    return invoke(envOf(env), method, method->owner->mirror, arguments.data());
}

jvalue callInstance(JNIEnv* env, jobject object, jmethodID id, std::vector<jvalue> arguments, char type, const char* function) {
    Object* receiver = checkNotNull(object, function);
    MethodInfo* method = reinterpret_cast<MethodInfo*>(id);
    if (method->isStatic) fatal("%s: %s.%s is static", function, method->owner->name.c_str(), method->name.c_str());
    checkReturn(method, type, function);
    // No virtual dispatch: the launcher calls String's toString on an exception object, which the
    // built-in behaviour of toString serves for every kind of object.
    return invoke(envOf(env), method, receiver, arguments.data());
}

template <typename T> T as(const jvalue& v);
template <> jobject as<jobject>(const jvalue& v) { return v.l; }
template <> jboolean as<jboolean>(const jvalue& v) { return v.z; }
template <> jbyte as<jbyte>(const jvalue& v) { return v.b; }
template <> jchar as<jchar>(const jvalue& v) { return v.c; }
template <> jshort as<jshort>(const jvalue& v) { return v.s; }
template <> jint as<jint>(const jvalue& v) { return v.i; }
template <> jlong as<jlong>(const jvalue& v) { return v.j; }
template <> jfloat as<jfloat>(const jvalue& v) { return v.f; }
template <> jdouble as<jdouble>(const jvalue& v) { return v.d; }

template <typename T> jvalue of(T value);
template <> jvalue of<jobject>(jobject value) { jvalue v{}; v.l = value; return v; }
template <> jvalue of<jboolean>(jboolean value) { jvalue v{}; v.z = value; return v; }
template <> jvalue of<jbyte>(jbyte value) { jvalue v{}; v.b = value; return v; }
template <> jvalue of<jchar>(jchar value) { jvalue v{}; v.c = value; return v; }
template <> jvalue of<jshort>(jshort value) { jvalue v{}; v.s = value; return v; }
template <> jvalue of<jint>(jint value) { jvalue v{}; v.i = value; return v; }
template <> jvalue of<jlong>(jlong value) { jvalue v{}; v.j = value; return v; }
template <> jvalue of<jfloat>(jfloat value) { jvalue v{}; v.f = value; return v; }
template <> jvalue of<jdouble>(jdouble value) { jvalue v{}; v.d = value; return v; }

// ---------------------------------------------------------------------------------------------
// The JNIEnv functions

jint JNICALL GetVersion(JNIEnv*) { return JNI_VERSION_10; }

jclass JNICALL FindClass(JNIEnv* env, const char* name) {
    if (!name) fatal("FindClass: null name");
    ClassInfo* cls = findLoadedOrLoad(name);
    if (!cls) {
        throwNew(envOf(env), "java/lang/NoClassDefFoundError", name);
        return nullptr;
    }
    return reinterpret_cast<jclass>(cls->mirror);
}

jclass JNICALL GetSuperclass(JNIEnv*, jclass cls) {
    ClassInfo* info = checkClass(cls, "GetSuperclass");
    return info->super ? reinterpret_cast<jclass>(info->super->mirror) : nullptr;
}

jboolean JNICALL IsAssignableFrom(JNIEnv*, jclass from, jclass to) {
    return isSubclass(checkClass(from, "IsAssignableFrom"), checkClass(to, "IsAssignableFrom")) ? JNI_TRUE : JNI_FALSE;
}

jint JNICALL Throw(JNIEnv* env, jthrowable throwable) {
    Object* object = checkKind(throwable, Kind::Instance, "Throw");
    if (!isThrowable(object->cls)) fatal("Throw: %s is not a Throwable", object->cls->name.c_str());
    envOf(env)->pending = object;
    return JNI_OK;
}

jint JNICALL ThrowNew(JNIEnv* env, jclass cls, const char* message) {
    ClassInfo* info = checkClass(cls, "ThrowNew");
    if (!isThrowable(info)) fatal("ThrowNew: %s is not a Throwable", info->name.c_str());
    std::u16string text = message ? decodeModifiedUtf8(message) : std::u16string();
    envOf(env)->pending = newThrowable(info->name, message ? &text : nullptr);
    return JNI_OK;
}

jthrowable JNICALL ExceptionOccurred(JNIEnv* env) { return reinterpret_cast<jthrowable>(envOf(env)->pending); }

void JNICALL ExceptionDescribe(JNIEnv* env) {
    Env* e = envOf(env);
    if (!e->pending) return;
    std::string text = toUtf8(throwableText(e->pending));
    std::fprintf(stderr, "Exception in thread \"main\" %s\n\tat (stand-in)\n", text.c_str());
    std::fflush(stderr);
    e->pending = nullptr;
    record("exception.described=" + text);
}

void JNICALL ExceptionClear(JNIEnv* env) { envOf(env)->pending = nullptr; }

void JNICALL FatalError(JNIEnv*, const char* message) { fatal("FatalError: %s", message ? message : ""); }

jboolean JNICALL ExceptionCheck(JNIEnv* env) { return envOf(env)->pending ? JNI_TRUE : JNI_FALSE; }

jint JNICALL PushLocalFrame(JNIEnv*, jint) { return JNI_OK; }
jobject JNICALL PopLocalFrame(JNIEnv*, jobject result) { return result; }
jobject JNICALL NewGlobalRef(JNIEnv*, jobject object) { return reinterpret_cast<jobject>(check(object, "NewGlobalRef")); }
void JNICALL DeleteGlobalRef(JNIEnv*, jobject object) { check(object, "DeleteGlobalRef"); }
void JNICALL DeleteLocalRef(JNIEnv*, jobject object) { check(object, "DeleteLocalRef"); }
jobject JNICALL NewLocalRef(JNIEnv*, jobject object) { return reinterpret_cast<jobject>(check(object, "NewLocalRef")); }
jint JNICALL EnsureLocalCapacity(JNIEnv*, jint) { return JNI_OK; }
jboolean JNICALL IsSameObject(JNIEnv*, jobject a, jobject b) { return check(a, "IsSameObject") == check(b, "IsSameObject"); }
jobjectRefType JNICALL GetObjectRefType(JNIEnv*, jobject object) { return check(object, "GetObjectRefType") ? JNILocalRefType : JNIInvalidRefType; }

jclass JNICALL GetObjectClass(JNIEnv*, jobject object) {
    Object* o = checkNotNull(object, "GetObjectClass");
    return reinterpret_cast<jclass>(o->cls->mirror);
}

jboolean JNICALL IsInstanceOf(JNIEnv*, jobject object, jclass cls) {
    ClassInfo* info = checkClass(cls, "IsInstanceOf");
    Object* o = check(object, "IsInstanceOf");
    return !o || isSubclass(o->cls, info) ? JNI_TRUE : JNI_FALSE;
}

MethodInfo* findMethod(ClassInfo* cls, const char* name, const char* descriptor, bool isStatic) {
    for (ClassInfo* c = cls; c; c = c->super) {
        for (auto& method : c->methods) {
            if (method.name == name && method.descriptor == descriptor && method.isStatic == isStatic) return &method;
        }
        if (std::strcmp(name, "<init>") == 0) break;  // constructors are not inherited
    }
    return nullptr;
}

jmethodID methodId(JNIEnv* env, jclass cls, const char* name, const char* descriptor, bool isStatic, const char* function) {
    if (!name || !descriptor) fatal("%s: null name or signature", function);
    ClassInfo* info = checkClass(cls, function);
    MethodInfo* method = findMethod(info, name, descriptor, isStatic);
    if (!method) {
        throwNew(envOf(env), "java/lang/NoSuchMethodError", std::string(isStatic ? "static " : "") + name + descriptor);
        return nullptr;
    }
    return reinterpret_cast<jmethodID>(method);
}

jmethodID JNICALL GetMethodID(JNIEnv* env, jclass cls, const char* name, const char* descriptor) {
    return methodId(env, cls, name, descriptor, false, "GetMethodID");
}

jmethodID JNICALL GetStaticMethodID(JNIEnv* env, jclass cls, const char* name, const char* descriptor) {
    return methodId(env, cls, name, descriptor, true, "GetStaticMethodID");
}

jobject JNICALL AllocObject(JNIEnv*, jclass cls) {
    ClassInfo* info = checkClass(cls, "AllocObject");
    if (info->name == "java/lang/String") return reinterpret_cast<jobject>(newString(u""));
    return reinterpret_cast<jobject>(newObject(Kind::Instance, info));
}

jobject newObjectWith(JNIEnv* env, jclass cls, jmethodID id, std::vector<jvalue> arguments, const char* function) {
    ClassInfo* info = checkClass(cls, function);
    MethodInfo* method = checkMethod(id, function);
    if (method->name != "<init>") fatal("%s: %s is not a constructor", function, method->name.c_str());
    if (!isSubclass(info, method->owner)) fatal("%s: the constructor is not one of %s", function, info->name.c_str());
    Object* object = reinterpret_cast<Object*>(AllocObject(env, cls));
    invoke(envOf(env), method, object, arguments.data());
    return reinterpret_cast<jobject>(object);
}

jobject JNICALL NewObjectV(JNIEnv* env, jclass cls, jmethodID id, va_list list) {
    return newObjectWith(env, cls, id, argumentsFrom(checkMethod(id, "NewObjectV"), list), "NewObjectV");
}

jobject JNICALL NewObject(JNIEnv* env, jclass cls, jmethodID id, ...) {
    va_list list;
    va_start(list, id);
    jobject object = newObjectWith(env, cls, id, argumentsFrom(checkMethod(id, "NewObject"), list), "NewObject");
    va_end(list);
    return object;
}

jobject JNICALL NewObjectA(JNIEnv* env, jclass cls, jmethodID id, const jvalue* values) {
    return newObjectWith(env, cls, id, argumentsFrom(checkMethod(id, "NewObjectA"), values), "NewObjectA");
}

// Call<Type>Method(V/A) and CallStatic<Type>Method(V/A).
#define CALLS(Type, T, code)                                                                                        \
    T JNICALL Call##Type##MethodV(JNIEnv* env, jobject o, jmethodID id, va_list list) {                              \
        return as<T>(callInstance(env, o, id, argumentsFrom(checkMethod(id, "Call" #Type "MethodV"), list), code,    \
                                  "Call" #Type "MethodV"));                                                          \
    }                                                                                                                \
    T JNICALL Call##Type##Method(JNIEnv* env, jobject o, jmethodID id, ...) {                                        \
        va_list list;                                                                                                \
        va_start(list, id);                                                                                          \
        T r = as<T>(callInstance(env, o, id, argumentsFrom(checkMethod(id, "Call" #Type "Method"), list), code,      \
                                 "Call" #Type "Method"));                                                            \
        va_end(list);                                                                                                \
        return r;                                                                                                    \
    }                                                                                                                \
    T JNICALL Call##Type##MethodA(JNIEnv* env, jobject o, jmethodID id, const jvalue* values) {                      \
        return as<T>(callInstance(env, o, id, argumentsFrom(checkMethod(id, "Call" #Type "MethodA"), values), code,  \
                                  "Call" #Type "MethodA"));                                                          \
    }                                                                                                                \
    T JNICALL CallStatic##Type##MethodV(JNIEnv* env, jclass c, jmethodID id, va_list list) {                         \
        return as<T>(callStatic(env, c, id, argumentsFrom(checkMethod(id, "CallStatic" #Type "MethodV"), list),      \
                                code, "CallStatic" #Type "MethodV"));                                                \
    }                                                                                                                \
    T JNICALL CallStatic##Type##Method(JNIEnv* env, jclass c, jmethodID id, ...) {                                   \
        va_list list;                                                                                                \
        va_start(list, id);                                                                                          \
        T r = as<T>(callStatic(env, c, id, argumentsFrom(checkMethod(id, "CallStatic" #Type "Method"), list), code,  \
                               "CallStatic" #Type "Method"));                                                        \
        va_end(list);                                                                                                \
        return r;                                                                                                    \
    }                                                                                                                \
    T JNICALL CallStatic##Type##MethodA(JNIEnv* env, jclass c, jmethodID id, const jvalue* values) {                 \
        return as<T>(callStatic(env, c, id, argumentsFrom(checkMethod(id, "CallStatic" #Type "MethodA"), values),    \
                                code, "CallStatic" #Type "MethodA"));                                                \
    }

CALLS(Object, jobject, 'L')
CALLS(Boolean, jboolean, 'Z')
CALLS(Byte, jbyte, 'B')
CALLS(Char, jchar, 'C')
CALLS(Short, jshort, 'S')
CALLS(Int, jint, 'I')
CALLS(Long, jlong, 'J')
CALLS(Float, jfloat, 'F')
CALLS(Double, jdouble, 'D')

void JNICALL CallVoidMethodV(JNIEnv* env, jobject o, jmethodID id, va_list list) {
    callInstance(env, o, id, argumentsFrom(checkMethod(id, "CallVoidMethodV"), list), 'V', "CallVoidMethodV");
}
void JNICALL CallVoidMethod(JNIEnv* env, jobject o, jmethodID id, ...) {
    va_list list;
    va_start(list, id);
    callInstance(env, o, id, argumentsFrom(checkMethod(id, "CallVoidMethod"), list), 'V', "CallVoidMethod");
    va_end(list);
}
void JNICALL CallVoidMethodA(JNIEnv* env, jobject o, jmethodID id, const jvalue* values) {
    callInstance(env, o, id, argumentsFrom(checkMethod(id, "CallVoidMethodA"), values), 'V', "CallVoidMethodA");
}
void JNICALL CallStaticVoidMethodV(JNIEnv* env, jclass c, jmethodID id, va_list list) {
    callStatic(env, c, id, argumentsFrom(checkMethod(id, "CallStaticVoidMethodV"), list), 'V', "CallStaticVoidMethodV");
}
void JNICALL CallStaticVoidMethod(JNIEnv* env, jclass c, jmethodID id, ...) {
    va_list list;
    va_start(list, id);
    callStatic(env, c, id, argumentsFrom(checkMethod(id, "CallStaticVoidMethod"), list), 'V', "CallStaticVoidMethod");
    va_end(list);
}
void JNICALL CallStaticVoidMethodA(JNIEnv* env, jclass c, jmethodID id, const jvalue* values) {
    callStatic(env, c, id, argumentsFrom(checkMethod(id, "CallStaticVoidMethodA"), values), 'V', "CallStaticVoidMethodA");
}

FieldInfo* findField(ClassInfo* cls, const char* name, const char* descriptor, bool isStatic) {
    for (ClassInfo* c = cls; c; c = c->super) {
        for (auto& field : c->fields) {
            if (field.name == name && field.descriptor == descriptor && field.isStatic == isStatic) return &field;
        }
    }
    return nullptr;
}

jfieldID fieldId(JNIEnv* env, jclass cls, const char* name, const char* descriptor, bool isStatic, const char* function) {
    if (!name || !descriptor) fatal("%s: null name or signature", function);
    FieldInfo* field = findField(checkClass(cls, function), name, descriptor, isStatic);
    if (!field) {
        throwNew(envOf(env), "java/lang/NoSuchFieldError", name);
        return nullptr;
    }
    return reinterpret_cast<jfieldID>(field);
}

jfieldID JNICALL GetFieldID(JNIEnv* env, jclass cls, const char* name, const char* descriptor) {
    return fieldId(env, cls, name, descriptor, false, "GetFieldID");
}

jfieldID JNICALL GetStaticFieldID(JNIEnv* env, jclass cls, const char* name, const char* descriptor) {
    return fieldId(env, cls, name, descriptor, true, "GetStaticFieldID");
}

FieldInfo* checkField(jfieldID id, char type, bool isStatic, const char* function) {
    if (!id) fatal("%s: null field id", function);
    auto* field = reinterpret_cast<FieldInfo*>(id);
    char declared = field->descriptor[0] == '[' ? 'L' : field->descriptor[0];
    if (declared != type || field->isStatic != isStatic) {
        fatal("%s: field %s.%s %s does not fit", function, field->owner->name.c_str(), field->name.c_str(), field->descriptor.c_str());
    }
    return field;
}

std::string fieldEvent(const char* kind, const FieldInfo* field, const jvalue& value, char type) {
    std::string event = kind;
    event.append("=").append(field->owner->name).append(".").append(field->name).append("=").append(formatValue(value, type));
    return event;
}

// Get/Set<Type>Field and GetStatic/SetStatic<Type>Field.
#define FIELDS(Type, T, code)                                                                                 \
    T JNICALL Get##Type##Field(JNIEnv*, jobject o, jfieldID id) {                                              \
        FieldInfo* field = checkField(id, code, false, "Get" #Type "Field");                                  \
        Object* object = checkNotNull(o, "Get" #Type "Field");                                                  \
        auto it = object->fields.find(field);                                                                  \
        return it == object->fields.end() ? T() : as<T>(it->second);                                           \
    }                                                                                                          \
    void JNICALL Set##Type##Field(JNIEnv*, jobject o, jfieldID id, T value) {                                  \
        FieldInfo* field = checkField(id, code, false, "Set" #Type "Field");                                  \
        checkNotNull(o, "Set" #Type "Field")->fields[field] = of<T>(value);                                     \
        record(fieldEvent("field", field, of<T>(value), code));                                                \
    }                                                                                                          \
    T JNICALL GetStatic##Type##Field(JNIEnv*, jclass, jfieldID id) {                                           \
        return as<T>(checkField(id, code, true, "GetStatic" #Type "Field")->value);                            \
    }                                                                                                          \
    void JNICALL SetStatic##Type##Field(JNIEnv*, jclass c, jfieldID id, T value) {                             \
        checkClass(c, "SetStatic" #Type "Field");                                                              \
        FieldInfo* field = checkField(id, code, true, "SetStatic" #Type "Field");                              \
        field->value = of<T>(value);                                                                           \
        record(fieldEvent("static", field, field->value, code));                                               \
    }

FIELDS(Object, jobject, 'L')
FIELDS(Boolean, jboolean, 'Z')
FIELDS(Byte, jbyte, 'B')
FIELDS(Char, jchar, 'C')
FIELDS(Short, jshort, 'S')
FIELDS(Int, jint, 'I')
FIELDS(Long, jlong, 'J')
FIELDS(Float, jfloat, 'F')
FIELDS(Double, jdouble, 'D')

jstring JNICALL NewString(JNIEnv*, const jchar* characters, jsize length) {
    if (length < 0 || (length && !characters)) fatal("NewString: bad arguments");
    return reinterpret_cast<jstring>(newString(std::u16string(reinterpret_cast<const char16_t*>(characters), size_t(length))));
}

jsize JNICALL GetStringLength(JNIEnv*, jstring string) {
    return jsize(checkKind(string, Kind::String, "GetStringLength")->text.size());
}

const jchar* JNICALL GetStringChars(JNIEnv*, jstring string, jboolean* isCopy) {
    Object* s = checkKind(string, Kind::String, "GetStringChars");
    if (isCopy) *isCopy = JNI_FALSE;
    Lock lock(vm->lock);
    ++vm->unreleasedStrings;
    return reinterpret_cast<const jchar*>(s->text.c_str());
}

void JNICALL ReleaseStringChars(JNIEnv*, jstring string, const jchar* characters) {
    Object* s = checkKind(string, Kind::String, "ReleaseStringChars");
    if (reinterpret_cast<const char16_t*>(characters) != s->text.c_str()) fatal("ReleaseStringChars: not this string's characters");
    Lock lock(vm->lock);
    --vm->unreleasedStrings;
}

jstring JNICALL NewStringUTF(JNIEnv*, const char* bytes) {
    if (!bytes) return nullptr;
    return reinterpret_cast<jstring>(newString(decodeModifiedUtf8(bytes)));
}

jsize JNICALL GetStringUTFLength(JNIEnv*, jstring string) {
    const auto& text = checkKind(string, Kind::String, "GetStringUTFLength")->text;
    return jsize(encodeModifiedUtf8(text.data(), text.size()).size());
}

const char* JNICALL GetStringUTFChars(JNIEnv*, jstring string, jboolean* isCopy) {
    const auto& text = checkKind(string, Kind::String, "GetStringUTFChars")->text;
    std::string bytes = encodeModifiedUtf8(text.data(), text.size());
    char* copy = new char[bytes.size() + 1];
    std::memcpy(copy, bytes.c_str(), bytes.size() + 1);
    if (isCopy) *isCopy = JNI_TRUE;
    Lock lock(vm->lock);
    ++vm->unreleasedStrings;
    return copy;
}

void JNICALL ReleaseStringUTFChars(JNIEnv*, jstring string, const char* bytes) {
    checkKind(string, Kind::String, "ReleaseStringUTFChars");
    delete[] bytes;
    Lock lock(vm->lock);
    --vm->unreleasedStrings;
}

void JNICALL GetStringRegion(JNIEnv* env, jstring string, jsize start, jsize length, jchar* buffer) {
    const auto& text = checkKind(string, Kind::String, "GetStringRegion")->text;
    if (start < 0 || length < 0 || size_t(start) + size_t(length) > text.size()) {
        throwNew(envOf(env), "java/lang/StringIndexOutOfBoundsException", "GetStringRegion");
        return;
    }
    std::memcpy(buffer, text.data() + start, size_t(length) * 2);
}

void JNICALL GetStringUTFRegion(JNIEnv* env, jstring string, jsize start, jsize length, char* buffer) {
    const auto& text = checkKind(string, Kind::String, "GetStringUTFRegion")->text;
    if (start < 0 || length < 0 || size_t(start) + size_t(length) > text.size()) {
        throwNew(envOf(env), "java/lang/StringIndexOutOfBoundsException", "GetStringUTFRegion");
        return;
    }
    std::string bytes = encodeModifiedUtf8(text.data() + start, size_t(length));
    std::memcpy(buffer, bytes.c_str(), bytes.size() + 1);
}

const jchar* JNICALL GetStringCritical(JNIEnv* env, jstring string, jboolean* isCopy) {
    return GetStringChars(env, string, isCopy);
}

void JNICALL ReleaseStringCritical(JNIEnv* env, jstring string, const jchar* characters) {
    ReleaseStringChars(env, string, characters);
}

jsize JNICALL GetArrayLength(JNIEnv*, jarray array) {
    return jsize(checkKind(array, Kind::Array, "GetArrayLength")->length);
}

jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass elementClass, jobject initial) {
    ClassInfo* element = checkClass(elementClass, "NewObjectArray");
    if (length < 0) {
        throwNew(envOf(env), "java/lang/NegativeArraySizeException", std::to_string(length));
        return nullptr;
    }
    std::string name = element->name[0] == '[' ? "[" + element->name : "[L" + element->name + ";";
    Object* array = newObject(Kind::Array, findLoadedOrLoad(name));
    array->length = size_t(length);
    array->elements.assign(size_t(length), check(initial, "NewObjectArray"));
    return reinterpret_cast<jobjectArray>(array);
}

bool inBounds(JNIEnv* env, const Object* array, jsize index) {
    if (index >= 0 && size_t(index) < array->length) return true;
    throwNew(envOf(env), "java/lang/ArrayIndexOutOfBoundsException", std::to_string(index));
    return false;
}

jobject JNICALL GetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index) {
    Object* a = checkKind(array, Kind::Array, "GetObjectArrayElement");
    if (a->elementType) fatal("GetObjectArrayElement: a primitive array");
    return inBounds(env, a, index) ? reinterpret_cast<jobject>(a->elements[size_t(index)]) : nullptr;
}

void JNICALL SetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value) {
    Object* a = checkKind(array, Kind::Array, "SetObjectArrayElement");
    if (a->elementType) fatal("SetObjectArrayElement: a primitive array");
    Object* v = check(value, "SetObjectArrayElement");
    if (!inBounds(env, a, index)) return;
    const std::string& arrayName = a->cls->name;
    std::string elementName = arrayName[1] == 'L' ? arrayName.substr(2, arrayName.size() - 3) : arrayName.substr(1);
    if (v && !isSubclass(v->cls, findLoadedOrLoad(elementName))) {
        throwNew(envOf(env), "java/lang/ArrayStoreException", dotted(v->cls->name));
        return;
    }
    a->elements[size_t(index)] = v;
}

Object* newPrimitiveArray(JNIEnv* env, jsize length, char type) {
    if (length < 0) {
        throwNew(envOf(env), "java/lang/NegativeArraySizeException", std::to_string(length));
        return nullptr;
    }
    return newPrimitiveArrayOf(size_t(length), type);
}

Object* newPrimitiveArrayOf(size_t length, char type) {
    Object* array = newObject(Kind::Array, findLoadedOrLoad(std::string("[") + type));
    array->elementType = type;
    array->length = length;
    array->data.assign(length * elementSize(type), 0);
    return array;
}

Object* checkPrimitiveArray(jarray array, char type, const char* function) {
    Object* a = checkKind(array, Kind::Array, function);
    if (a->elementType != type) fatal("%s: the array's elements are not of that type", function);
    return a;
}

bool regionInBounds(JNIEnv* env, const Object* array, jsize start, jsize length) {
    if (start >= 0 && length >= 0 && size_t(start) + size_t(length) <= array->length) return true;
    throwNew(envOf(env), "java/lang/ArrayIndexOutOfBoundsException", std::to_string(start));
    return false;
}

// New<Type>Array, Get/Release<Type>ArrayElements, Get/Set<Type>ArrayRegion.
#define ARRAYS(Type, T, code)                                                                                      \
    T##Array JNICALL New##Type##Array(JNIEnv* env, jsize length) {                                                  \
        return reinterpret_cast<T##Array>(newPrimitiveArray(env, length, code));                                    \
    }                                                                                                               \
    T* JNICALL Get##Type##ArrayElements(JNIEnv*, T##Array array, jboolean* isCopy) {                                \
        Object* a = checkPrimitiveArray(array, code, "Get" #Type "ArrayElements");                                  \
        if (isCopy) *isCopy = JNI_FALSE;                                                                            \
        return reinterpret_cast<T*>(a->data.data());                                                                \
    }                                                                                                               \
    void JNICALL Release##Type##ArrayElements(JNIEnv*, T##Array array, T* elements, jint) {                         \
        Object* a = checkPrimitiveArray(array, code, "Release" #Type "ArrayElements");                              \
        if (reinterpret_cast<unsigned char*>(elements) != a->data.data()) fatal("Release" #Type "ArrayElements: not this array's elements"); \
    }                                                                                                               \
    void JNICALL Get##Type##ArrayRegion(JNIEnv* env, T##Array array, jsize start, jsize length, T* buffer) {        \
        Object* a = checkPrimitiveArray(array, code, "Get" #Type "ArrayRegion");                                    \
        if (regionInBounds(env, a, start, length)) std::memcpy(buffer, a->data.data() + size_t(start) * sizeof(T), size_t(length) * sizeof(T)); \
    }                                                                                                               \
    void JNICALL Set##Type##ArrayRegion(JNIEnv* env, T##Array array, jsize start, jsize length, const T* buffer) {  \
        Object* a = checkPrimitiveArray(array, code, "Set" #Type "ArrayRegion");                                    \
        if (regionInBounds(env, a, start, length)) std::memcpy(a->data.data() + size_t(start) * sizeof(T), buffer, size_t(length) * sizeof(T)); \
    }

ARRAYS(Boolean, jboolean, 'Z')
ARRAYS(Byte, jbyte, 'B')
ARRAYS(Char, jchar, 'C')
ARRAYS(Short, jshort, 'S')
ARRAYS(Int, jint, 'I')
ARRAYS(Long, jlong, 'J')
ARRAYS(Float, jfloat, 'F')
ARRAYS(Double, jdouble, 'D')

jint JNICALL RegisterNatives(JNIEnv* env, jclass cls, const JNINativeMethod* methods, jint count) {
    ClassInfo* info = checkClass(cls, "RegisterNatives");
    if (count < 0 || (count && !methods)) fatal("RegisterNatives: bad arguments");
    for (jint i = 0; i < count; ++i) {
        const JNINativeMethod& entry = methods[i];
        if (!entry.name || !entry.signature) fatal("RegisterNatives: null name or signature");
        MethodInfo* method = nullptr;
        for (auto& candidate : info->methods) {
            if (candidate.name == entry.name && candidate.descriptor == entry.signature && candidate.isNative) method = &candidate;
        }
        std::string text = info->name;
        text.append(".").append(entry.name).append(" ").append(entry.signature);
        if (!method || !entry.fnPtr) {
            record("native.failed=" + text);
            std::string message = "Method '";
            message.append(entry.name).append(entry.signature).append("' name or signature does not match");
            throwNew(envOf(env), "java/lang/NoSuchMethodError", message);
            return JNI_ERR;
        }
        method->function = entry.fnPtr;
        record("native=" + text);
    }
    return JNI_OK;
}

jint JNICALL UnregisterNatives(JNIEnv*, jclass cls) {
    ClassInfo* info = checkClass(cls, "UnregisterNatives");
    for (auto& method : info->methods) method.function = nullptr;
    record("natives.unregistered=" + info->name);
    return JNI_OK;
}

jint JNICALL GetJavaVM(JNIEnv*, JavaVM** result) {
    *result = &javaVm;
    return JNI_OK;
}

// ---------------------------------------------------------------------------------------------
// The JavaVM functions

Env* attach(Vm& current) {
    Lock lock(current.lock);
    if (current.destroyed) return nullptr;
    auto& slot = current.envs[GetCurrentThreadId()];
    if (!slot) {
        slot = std::make_unique<Env>();
        slot->functions = &envTable;
        slot->thread = GetCurrentThreadId();
    }
    return slot.get();
}

jint JNICALL AttachCurrentThread(JavaVM*, void** penv, void*) {
    Vm* current = vm;
    if (!current) return JNI_ERR;
    Env* env = attach(*current);
    if (!env) return JNI_ERR;
    *penv = env;
    return JNI_OK;
}

jint JNICALL AttachCurrentThreadAsDaemon(JavaVM* java, void** penv, void* arguments) {
    return AttachCurrentThread(java, penv, arguments);
}

jint JNICALL DetachCurrentThread(JavaVM*) {
    Vm* current = vm;
    if (!current) return JNI_ERR;
    Lock lock(current->lock);
    return current->envs.erase(GetCurrentThreadId()) ? JNI_OK : JNI_EDETACHED;
}

bool supportedVersion(jint version) {
    for (jint known : {JNI_VERSION_1_2, JNI_VERSION_1_4, JNI_VERSION_1_6, JNI_VERSION_1_8, JNI_VERSION_9, JNI_VERSION_10}) {
        if (version == known) return true;
    }
    return false;
}

jint JNICALL GetEnv(JavaVM*, void** penv, jint version) {
    *penv = nullptr;
    Vm* current = vm;
    if (!current) return JNI_EDETACHED;
    if (!supportedVersion(version)) return JNI_EVERSION;
    Env* env = currentEnv(*current);
    if (!env) return JNI_EDETACHED;
    *penv = env;
    return JNI_OK;
}

jint JNICALL DestroyJavaVM(JavaVM*) {
    if (!vm) return JNI_ERR;
    {
        Lock lock(vm->lock);
        vm->destroyed = true;
        writeReport();
    }
    vm = nullptr;  // what the old VM made stays allocated: references handed out stay readable
    return JNI_OK;
}

// ---------------------------------------------------------------------------------------------
// Unimplemented slots: each says which one it is and aborts.

template <size_t Slot> [[noreturn]] void JNICALL missingEnvFunction() {
    fatal("JNIEnv function %s (slot %u) is not implemented", kEnvSlotNames[Slot], unsigned(Slot));
}

template <size_t Slot> [[noreturn]] void JNICALL missingVmFunction() {
    fatal("JavaVM function %s (slot %u) is not implemented", kVmSlotNames[Slot], unsigned(Slot));
}

template <size_t... Slots> void fillMissingEnv(void** slots, std::index_sequence<Slots...>) {
    ((slots[Slots] = reinterpret_cast<void*>(&missingEnvFunction<Slots>)), ...);
}

template <size_t... Slots> void fillMissingVm(void** slots, std::index_sequence<Slots...>) {
    ((slots[Slots] = reinterpret_cast<void*>(&missingVmFunction<Slots>)), ...);
}

void buildTables() {
    fillMissingEnv(reinterpret_cast<void**>(&envTable), std::make_index_sequence<std::size(kEnvSlotNames)>());
    envTable.reserved0 = envTable.reserved1 = envTable.reserved2 = envTable.reserved3 = nullptr;
#define SET(name) envTable.name = name
    SET(GetVersion); SET(FindClass); SET(GetSuperclass); SET(IsAssignableFrom);
    SET(Throw); SET(ThrowNew); SET(ExceptionOccurred); SET(ExceptionDescribe); SET(ExceptionClear); SET(FatalError);
    SET(ExceptionCheck); SET(PushLocalFrame); SET(PopLocalFrame); SET(NewGlobalRef); SET(DeleteGlobalRef);
    SET(DeleteLocalRef); SET(NewLocalRef); SET(EnsureLocalCapacity); SET(IsSameObject); SET(GetObjectRefType);
    SET(AllocObject); SET(NewObject); SET(NewObjectV); SET(NewObjectA); SET(GetObjectClass); SET(IsInstanceOf);
    SET(GetMethodID); SET(GetStaticMethodID); SET(GetFieldID); SET(GetStaticFieldID);
#define SET_CALLS(Type)                                                                                     \
    SET(Call##Type##Method); SET(Call##Type##MethodV); SET(Call##Type##MethodA); SET(CallStatic##Type##Method); \
    SET(CallStatic##Type##MethodV); SET(CallStatic##Type##MethodA)
    SET_CALLS(Object); SET_CALLS(Boolean); SET_CALLS(Byte); SET_CALLS(Char); SET_CALLS(Short); SET_CALLS(Int);
    SET_CALLS(Long); SET_CALLS(Float); SET_CALLS(Double); SET_CALLS(Void);
#define SET_FIELDS(Type) SET(Get##Type##Field); SET(Set##Type##Field); SET(GetStatic##Type##Field); SET(SetStatic##Type##Field)
    SET_FIELDS(Object); SET_FIELDS(Boolean); SET_FIELDS(Byte); SET_FIELDS(Char); SET_FIELDS(Short); SET_FIELDS(Int);
    SET_FIELDS(Long); SET_FIELDS(Float); SET_FIELDS(Double);
    SET(NewString); SET(GetStringLength); SET(GetStringChars); SET(ReleaseStringChars); SET(NewStringUTF);
    SET(GetStringUTFLength); SET(GetStringUTFChars); SET(ReleaseStringUTFChars); SET(GetStringRegion);
    SET(GetStringUTFRegion); SET(GetStringCritical); SET(ReleaseStringCritical);
    SET(GetArrayLength); SET(NewObjectArray); SET(GetObjectArrayElement); SET(SetObjectArrayElement);
#define SET_ARRAYS(Type)                                                                                    \
    SET(New##Type##Array); SET(Get##Type##ArrayElements); SET(Release##Type##ArrayElements);                 \
    SET(Get##Type##ArrayRegion); SET(Set##Type##ArrayRegion)
    SET_ARRAYS(Boolean); SET_ARRAYS(Byte); SET_ARRAYS(Char); SET_ARRAYS(Short); SET_ARRAYS(Int); SET_ARRAYS(Long);
    SET_ARRAYS(Float); SET_ARRAYS(Double);
    SET(RegisterNatives); SET(UnregisterNatives); SET(GetJavaVM);
#undef SET

    fillMissingVm(reinterpret_cast<void**>(&vmTable), std::make_index_sequence<std::size(kVmSlotNames)>());
    vmTable.reserved0 = vmTable.reserved1 = vmTable.reserved2 = nullptr;
    vmTable.DestroyJavaVM = DestroyJavaVM;
    vmTable.AttachCurrentThread = AttachCurrentThread;
    vmTable.DetachCurrentThread = DetachCurrentThread;
    vmTable.GetEnv = GetEnv;
    vmTable.AttachCurrentThreadAsDaemon = AttachCurrentThreadAsDaemon;
    javaVm.functions = &vmTable;
}

// ---------------------------------------------------------------------------------------------
// Options

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Whether a real VM of our time knows the option (see the top of the file).
bool recognised(const std::string& option) {
    static const char* const exact[] = {"-verbose", "-ea", "-da", "-esa", "-dsa", "-enableassertions",
                                        "-disableassertions", "-enablesystemassertions", "-disablesystemassertions",
                                        "-Xint", "-Xmixed", "-Xcomp", "-Xbatch", "-Xrs", "-Xdebug", "-Xnoclassgc",
                                        "-Xfuture", "-Xdiag", "-Xlog", "-Xshare", "-XshowSettings"};
    static const char* const prefixes[] = {"-D", "-verbose:", "-ea:", "-da:", "-enableassertions:", "-disableassertions:",
                                           "-agentlib:", "-agentpath:", "-javaagent:", "-Xss", "-Xmx", "-Xms", "-Xmn",
                                           "-Xcheck:", "-Xlog:", "-XX:", "-Xbootclasspath/a:", "-Xshare:", "-Xverify:",
                                           "-Xrunjdwp:", "-Xloggc:", "-XshowSettings:", "--add-modules=", "--add-opens=",
                                           "--add-exports=", "--add-reads=", "--module-path=", "--upgrade-module-path=",
                                           "--limit-modules=", "--patch-module=", "--enable-native-access=",
                                           "--illegal-access="};
    for (const char* text : exact) {
        if (option == text) return true;
    }
    for (const char* prefix : prefixes) {
        if (startsWith(option, prefix)) return true;
    }
    return false;
}

void setClassPath(const std::string& value) {
    size_t start = 0;
    while (start <= value.size()) {
        size_t end = value.find(';', start);
        if (end == std::string::npos) end = value.size();
        std::string path = value.substr(start, end - start);
        start = end + 1;
        if (path.empty()) continue;
        ClassPathEntry entry;
        entry.path = path;
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            entry.isJar = true;
            if (!readWholeFile(path, entry.bytes) || !indexJar(entry)) entry.entries.clear();
            entry.bytes.shrink_to_fit();
        }
        vm->classPath.push_back(std::move(entry));  // a missing entry stays listed and finds nothing
    }
}

jint createVm(const JavaVMInitArgs* arguments) {
    if (!supportedVersion(arguments->version)) return JNI_EVERSION;
    if (arguments->nOptions < 0 || (arguments->nOptions && !arguments->options)) return JNI_EINVAL;
    vm = new Vm();
    vm->createThread = GetCurrentThreadId();
    std::string classPath = ".";
    for (jint i = 0; i < arguments->nOptions; ++i) {
        const JavaVMOption& option = arguments->options[i];
        if (!option.optionString) {
            std::fputs("stand-in JVM: an option without text\n", stderr);
            return JNI_EINVAL;
        }
        std::string text = option.optionString;
        vm->options.push_back(text);
        if (text == "exit") {
            vm->exitHook = reinterpret_cast<void(JNICALL*)(jint)>(option.extraInfo);
        } else if (text == "abort" || text == "vfprintf") {
        } else if (startsWith(text, "-D")) {
            size_t equals = text.find('=');
            std::string key = text.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            std::string value = equals == std::string::npos ? std::string() : text.substr(equals + 1);
            vm->properties[key] = value;
            if (key == "java.class.path") classPath = value;
        } else if (!recognised(text)) {
            if (arguments->ignoreUnrecognized && (startsWith(text, "-X") || startsWith(text, "_"))) continue;
            std::fprintf(stderr, "Unrecognized option: %s\n", text.c_str());
            std::fflush(stderr);
            return JNI_ERR;
        }
    }
    vm->properties["java.class.path"] = classPath;
    vm->properties.emplace("java.version", "17-standin");
    vm->properties.emplace("java.vm.name", "stand-in VM");
    setClassPath(classPath);
    return JNI_OK;
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* arguments) {
    auto* init = static_cast<JavaVMInitArgs*>(arguments);
    return init && supportedVersion(init->version) ? JNI_OK : JNI_EVERSION;
}

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** pvm, void** penv, void* arguments) {
    if (!pvm || !penv || !arguments) return JNI_EINVAL;
    *pvm = nullptr;
    *penv = nullptr;
    if (vm) return JNI_EEXIST;
    buildTables();
    jint result = createVm(static_cast<JavaVMInitArgs*>(arguments));
    if (result != JNI_OK) {
        std::fputs("Error: Could not create the Java Virtual Machine.\n", stderr);
        std::fflush(stderr);
        vm = nullptr;
        return result;
    }
    *penv = attach(*vm);
    *pvm = &javaVm;
    return JNI_OK;
}

JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM** buffer, jsize size, jsize* count) {
    jsize n = vm ? 1 : 0;
    if (count) *count = n;
    if (n && buffer && size > 0) buffer[0] = &javaVm;
    return JNI_OK;
}

}  // extern "C"
