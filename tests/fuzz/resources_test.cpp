// What Windows learns from the launcher image before any of its code runs: the kind of program, the
// DLLs the loader must find, and the resources (manifest and icon) that the shell and loader read.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

using namespace testing_support;

namespace {

// DLLs that every Windows from Vista on carries in its system folder. Anything else (a compiler
// runtime, zlib, a redistributable, a DLL of a later Windows such as shcore) would keep the setup
// file from starting on some machine, and must be bound by name at run time instead.
const std::set<std::string> kInBoxDlls = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll",  "gdi32.dll",    "kernel32.dll",
    "mpr.dll",      "msvcrt.dll",   "netapi32.dll", "ntdll.dll",    "ole32.dll",    "oleaut32.dll",
    "psapi.dll",    "rpcrt4.dll",   "secur32.dll",  "shell32.dll",  "shlwapi.dll",  "user32.dll",
    "userenv.dll",  "uxtheme.dll",  "version.dll",  "winhttp.dll",  "wininet.dll",  "ws2_32.dll",
};

std::string lower(std::string text) {
    for (char& c : text) c = (char)tolower((unsigned char)c);
    return text;
}

// Resource types as UTF-16 resource names (the plain macros give 8-bit ones here).
const wchar_t* const kManifestType = MAKEINTRESOURCEW((ULONG_PTR)RT_MANIFEST);
const wchar_t* const kIconGroupType = MAKEINTRESOURCEW((ULONG_PTR)RT_GROUP_ICON);
const wchar_t* const kIconType = MAKEINTRESOURCEW((ULONG_PTR)RT_ICON);

std::wstring lower(std::wstring text) {
    for (wchar_t& c : text) c = (wchar_t)towlower(c);
    return text;
}

// The launcher image as a file, with its headers located and checked against the file's size.
struct PeFile {
    std::string bytes;
    const IMAGE_NT_HEADERS64* nt = nullptr;

    template <typename T>
    const T* at(size_t offset, size_t count = 1) const {
        return offset <= bytes.size() && sizeof(T) * count <= bytes.size() - offset
                   ? reinterpret_cast<const T*>(bytes.data() + offset)
                   : nullptr;
    }

    // File offset of a relative virtual address, through the section that holds it; 0 when none does.
    size_t fileOffset(DWORD rva) const {
        size_t table = (const char*)IMAGE_FIRST_SECTION(nt) - bytes.data();
        const auto* sections = at<IMAGE_SECTION_HEADER>(table, nt->FileHeader.NumberOfSections);
        if (!sections) return 0;
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.SizeOfRawData)
                return s.PointerToRawData + (rva - s.VirtualAddress);
        }
        return 0;
    }
};

PeFile readPe(const fs::path& path) {
    PeFile pe;
    pe.bytes = readFile(path);
    const auto* dos = pe.at<IMAGE_DOS_HEADER>(0);
    if (dos && dos->e_magic == IMAGE_DOS_SIGNATURE) pe.nt = pe.at<IMAGE_NT_HEADERS64>((size_t)dos->e_lfanew);
    return pe;
}

// Names of the DLLs in the import directory, as written there.
std::vector<std::string> importedDlls(const PeFile& pe) {
    std::vector<std::string> names;
    const IMAGE_DATA_DIRECTORY& directory = pe.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t offset = pe.fileOffset(directory.VirtualAddress);
    if (directory.Size == 0 || offset == 0) return names;
    for (const IMAGE_IMPORT_DESCRIPTOR* entry; (entry = pe.at<IMAGE_IMPORT_DESCRIPTOR>(offset)) && entry->Name != 0;
         offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        size_t name = pe.fileOffset(entry->Name);
        size_t end = name ? pe.bytes.find('\0', name) : std::string::npos;
        names.push_back(end == std::string::npos ? "<unreadable name>" : pe.bytes.substr(name, end - name));
    }
    return names;
}

// The launcher's own module, mapped as data only: its resources can be read, none of its code runs.
struct DataModule {
    HMODULE module = LoadLibraryExW(launcherImage().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ~DataModule() {
        if (module) FreeLibrary(module);
    }
    std::string resource(const wchar_t* type, WORD id) const {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        const char* data = loaded ? (const char*)LockResource(loaded) : nullptr;
        return data ? std::string(data, SizeofResource(module, found)) : std::string();
    }
};

// The activation context that the loader builds from manifest 1: what Windows actually reads from it.
struct ManifestContext {
    HANDLE context = INVALID_HANDLE_VALUE;
    ManifestContext() {
        std::wstring source = launcherImage().wstring();
        ACTCTXW description{};
        description.cbSize = sizeof description;
        description.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        description.lpSource = source.c_str();
        description.lpResourceName = MAKEINTRESOURCEW(1);
        context = CreateActCtxW(&description);
    }
    ~ManifestContext() {
        if (context != INVALID_HANDLE_VALUE) ReleaseActCtx(context);
    }

    std::vector<char> query(ULONG infoClass, DWORD* index = nullptr) const {
        SIZE_T size = 0;
        QueryActCtxW(0, context, index, infoClass, nullptr, 0, &size);
        std::vector<char> data(size);
        if (size == 0 || !QueryActCtxW(0, context, index, infoClass, data.data(), size, &size)) data.clear();
        return data;
    }

    std::wstring setting(const wchar_t* ns, const wchar_t* name) const {
        wchar_t value[256] = {};
        SIZE_T size = 0;
        return QueryActCtxSettingsW(0, context, ns, name, value, 256, &size) ? value : L"<absent>";
    }

    // Operating-system ids of the compatibility section. The element layout is the one of current
    // Windows (id, type, highest version tested), which the older mingw-w64 headers do not declare.
    std::set<std::wstring> supportedOs() const {
        struct Element {
            GUID id;
            ACTCTX_COMPATIBILITY_ELEMENT_TYPE type;
            ULONGLONG maxVersionTested;
        };
        std::vector<char> data = query(CompatibilityInformationInActivationContext);
        std::set<std::wstring> ids;
        if (data.size() < 8) return ids;
        DWORD count = *(const DWORD*)data.data();
        if (data.size() < 8 + count * sizeof(Element)) return ids;
        const auto* elements = (const Element*)(data.data() + 8);
        for (DWORD i = 0; i < count; ++i) {
            if (elements[i].type != ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) continue;
            const GUID& g = elements[i].id;
            wchar_t text[40];
            swprintf(text, 40, L"{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", g.Data1, g.Data2, g.Data3,
                     g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
            ids.insert(text);
        }
        return ids;
    }

    // Encoded identities of the assemblies in the context (the program's own one first).
    std::vector<std::wstring> assemblies() const {
        std::vector<std::wstring> identities;
        std::vector<char> detail = query(ActivationContextDetailedInformation);
        if (detail.size() < sizeof(ACTIVATION_CONTEXT_DETAILED_INFORMATION)) return identities;
        DWORD count = ((const ACTIVATION_CONTEXT_DETAILED_INFORMATION*)detail.data())->ulAssemblyCount;
        for (DWORD index = 1; index <= count; ++index) {
            std::vector<char> data = query(AssemblyDetailedInformationInActivationContext, &index);
            const auto* assembly = (const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*)data.data();
            if (data.size() >= sizeof *assembly && assembly->lpAssemblyEncodedAssemblyIdentity)
                identities.push_back(assembly->lpAssemblyEncodedAssemblyIdentity);
        }
        return identities;
    }
};

TEST(LauncherImage, IsA64BitGuiProgramThatNeedsOnlyInBoxDlls) {
    PeFile pe = readPe(launcherImage());
    ASSERT_TRUE(pe.nt && pe.nt->Signature == IMAGE_NT_SIGNATURE) << "no PE header in " << launcherImage();
    EXPECT_EQ(pe.nt->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    ASSERT_EQ(pe.nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(pe.nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    std::vector<std::string> dlls = importedDlls(pe);
    EXPECT_TRUE(std::any_of(dlls.begin(), dlls.end(), [](const std::string& dll) { return lower(dll) == "kernel32.dll"; }))
        << "the import directory was not read";
    for (const std::string& dll : dlls) EXPECT_TRUE(kInBoxDlls.count(lower(dll))) << dll << " is not part of every Windows";
}

TEST(LauncherImage, ManifestAndIconAreWhatWindowsReads) {
    DataModule image;
    ASSERT_NE(image.module, nullptr) << "error " << GetLastError();
    ASSERT_FALSE(image.resource(kManifestType, 1).empty()) << "no manifest resource 1";

    ManifestContext manifest;
    ASSERT_NE(manifest.context, INVALID_HANDLE_VALUE) << "manifest 1 was refused, error " << GetLastError();
    std::vector<char> runLevel = manifest.query(RunlevelInformationInActivationContext);
    ASSERT_GE(runLevel.size(), sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION));
    EXPECT_EQ(((const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*)runLevel.data())->RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);

    // Windows 8.1 reads dpiAware only; Windows 10 from 1607 on prefers the first value of dpiAwareness.
    std::wstring dpiAware =
        lower(manifest.setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"));
    EXPECT_TRUE(dpiAware == L"true/pm" || dpiAware == L"per monitor") << narrow(dpiAware);
    std::wstring dpiAwareness =
        lower(manifest.setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"));
    std::wstring first = dpiAwareness.substr(0, dpiAwareness.find(L','));
    EXPECT_TRUE(first == L"permonitorv2" || first == L"permonitor") << narrow(dpiAwareness);

    std::set<std::wstring> expectedOs = {
        L"{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
        L"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
        L"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
        L"{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
        L"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10
    };
    EXPECT_EQ(manifest.supportedOs(), expectedOs);

    std::vector<std::wstring> assemblies = manifest.assemblies();
    bool commonControls6 = std::any_of(assemblies.begin(), assemblies.end(), [](const std::wstring& identity) {
        std::wstring id = lower(identity);
        return id.starts_with(L"microsoft.windows.common-controls,") && id.find(L"version=\"6.") != std::wstring::npos;
    });
    EXPECT_TRUE(commonControls6) << "common controls 6 is not among the " << assemblies.size() << " assemblies";

    std::string group = image.resource(kIconGroupType, 1001);
    ASSERT_FALSE(group.empty()) << "no icon group 1001";
    int iconId = LookupIconIdFromDirectoryEx((BYTE*)group.data(), TRUE, 32, 32, LR_DEFAULTCOLOR);
    std::string icon = iconId ? image.resource(kIconType, (WORD)iconId) : std::string();
    ASSERT_FALSE(icon.empty()) << "icon group 1001 names no icon image that the file carries";
    HICON handle = CreateIconFromResourceEx((BYTE*)icon.data(), (DWORD)icon.size(), TRUE, 0x00030000, 0, 0,
                                            LR_DEFAULTCOLOR);
    EXPECT_NE(handle, nullptr) << "the 32-pixel icon image cannot be decoded";
    if (handle) DestroyIcon(handle);
}

}  // namespace
