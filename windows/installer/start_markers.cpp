#include "start_markers.h"

#include <windows.h>

#include <string>

#include "launch_state.h"
#include "owned_handles.h"

namespace {

constexpr const wchar_t* kMarkerKey = L"SOFTWARE\\korvalent\\zolta\\";

std::wstring markerName(bool perProcess) {
    std::wstring name(L"InstallStarted");
    if (perProcess) name.append(L"_").append(std::to_wstring(GetCurrentProcessId()));
    return name;
}

void writeMarker(HKEY key, bool set, bool perProcess) {
    std::wstring name = markerName(perProcess);
    if (set) {
        DWORD one = 1;
        RegSetValueExW(key, name.c_str(), 0, REG_DWORD, (const BYTE*)&one, sizeof one);
    } else {
        RegDeleteValueW(key, name.c_str());
    }
}

}  // namespace

void setStartMarkers(bool set, bool perProcess, bool global) {
    if (launchState().languageRestart) return;
    OwnedKey key;
    LSTATUS opened = set ? RegCreateKeyExW(HKEY_CURRENT_USER, kMarkerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                           &key.key, nullptr)
                         : RegOpenKeyExW(HKEY_CURRENT_USER, kMarkerKey, 0, KEY_ALL_ACCESS, &key.key);
    if (opened != ERROR_SUCCESS) return;
    if (global) writeMarker(key.key, set, false);
    if (perProcess) writeMarker(key.key, set, true);
}

unsigned long readStartMarker(bool perProcess) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kMarkerKey, markerName(perProcess).c_str(), RRF_RT_REG_DWORD, nullptr,
                     &value, &size) != ERROR_SUCCESS)
        return 0;
    return value;
}
