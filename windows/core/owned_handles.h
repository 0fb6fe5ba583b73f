// Holders that close a handle or a registry key on every path out of a scope.
#pragma once

#include <windows.h>

#include <cstdio>

struct OwnedHandle {
    HANDLE handle = nullptr;
    OwnedHandle() = default;
    // INVALID_HANDLE_VALUE, as CreateFile reports a failure, is held as no handle.
    explicit OwnedHandle(HANDLE h) : handle(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() { close(); }
    explicit operator bool() const { return handle != nullptr; }
    // Whether the handle closed cleanly; a written file reports a late write failure here.
    bool close() {
        bool closed = !handle || CloseHandle(handle);
        handle = nullptr;
        return closed;
    }
};

struct OwnedKey {
    HKEY key = nullptr;
    OwnedKey() = default;
    OwnedKey(const OwnedKey&) = delete;
    OwnedKey& operator=(const OwnedKey&) = delete;
    ~OwnedKey() {
        if (key) RegCloseKey(key);
    }
    // Opens a key for reading; the registry's status.
    LONG open(HKEY parent, const char* path, REGSAM access = KEY_READ) {
        LONG status = RegOpenKeyExA(parent, path, 0, access, &key);
        if (status != ERROR_SUCCESS) key = nullptr;
        return status;
    }
    bool opened(HKEY parent, const char* path, REGSAM access = KEY_READ) {
        return open(parent, path, access) == ERROR_SUCCESS;
    }
};

struct OwnedStdioFile {
    FILE* file = nullptr;
    explicit OwnedStdioFile(FILE* f) : file(f) {}
    OwnedStdioFile(const OwnedStdioFile&) = delete;
    OwnedStdioFile& operator=(const OwnedStdioFile&) = delete;
    ~OwnedStdioFile() { close(); }
    // False when the buffered data could not be written out or the file could not be closed.
    bool close() {
        bool closed = file == nullptr || fclose(file) == 0;
        file = nullptr;
        return closed;
    }
};

struct OwnedFind {
    HANDLE handle = INVALID_HANDLE_VALUE;
    OwnedFind() = default;
    OwnedFind(const OwnedFind&) = delete;
    OwnedFind& operator=(const OwnedFind&) = delete;
    ~OwnedFind() {
        if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
    }
};
