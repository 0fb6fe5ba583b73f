#include "integrity_check.h"

#include <commctrl.h>
#include <zlib.h>

#include <vector>

#include "appended_block.h"
#include "error_exit.h"
#include "launch_state.h"
#include "native_log.h"
#include "owned_handles.h"

namespace {

// Far larger than a disk block: the check runs at the speed of the CRC, not of the read calls.
constexpr DWORD kCheckChunk = 1 << 20;

void setProgress(HWND window, int position) {
    if (window) SendDlgItemMessageW(window, 1001, PBM_SETPOS, (WPARAM)position, 0);
}

[[noreturn]] void reportCorrupted(HWND progressWindow) {
    std::vector<wchar_t> caption(kTextUnits), text(kTextUnits);
    getMessageText(20013, caption.data(), caption.size());
    getMessageText(20016, text.data(), text.size());
    MessageBoxW(launchState().quiet ? nullptr : progressWindow, text.data(), caption.data(), MB_ICONERROR | MB_OK);
    exitLauncher(1);
}

// The CRC of `length` bytes from the current position; a read that fails or ends early is fatal.
uint32_t crcOfContent(HANDLE file, int64_t length, HWND progressWindow) {
    std::vector<uint8_t> buffer(kCheckChunk);
    uLong crc = crc32(0L, Z_NULL, 0);
    int64_t done = 0;
    int64_t lastPercent = 0;
    while (done < length) {
        DWORD want = (DWORD)(length - done < kCheckChunk ? length - done : kCheckChunk);
        DWORD got = 0;
        if (!ReadFile(file, buffer.data(), want, &got, nullptr) || got == 0) {
            NativeLog::error(L"check ReadFile failed %d %d %I64d", (int)got, (int)GetLastError(), done);
            fatalMessageWithText(1009, L"34");
        }
        crc = crc32(crc, buffer.data(), got);
        done += got;
        int64_t percent = done * 100 / length;
        if (progressWindow && percent > lastPercent) {
            lastPercent = percent;
            setProgress(progressWindow, (int)percent);
        }
    }
    return (uint32_t)crc;
}

}  // namespace

void verifyIntegrity(HWND progressWindow) {
    OwnedHandle file(openMediaFile());
    seekAppendedDataBlock(file.handle);
    NativeLog::log(L"starting at %d", (int)filePosition(file.handle));
    bool intact = (uint32_t)readInt(file.handle) == kBlockMagic;
    if (intact && (!launchState().integrityCheckOn || readInt(file.handle) == 0)) {
        if (progressWindow) {
            SendDlgItemMessageW(progressWindow, 1001, PBM_SETRANGE32, 100, 400);
            setProgress(progressWindow, 101);
        }
    } else if (intact) {
        uint32_t expected = (uint32_t)readInt(file.handle);
        int64_t length = readLong(file.handle);
        NativeLog::log(L"verifying integrity length %I64d", length);
        LARGE_INTEGER size{};
        GetFileSizeEx(file.handle, &size);
        // A length beyond the end of the file is a cut download: corrupted, not an internal error.
        if (length < 0 || length > size.QuadPart - filePosition(file.handle)) {
            NativeLog::log(L"checksums: length %I64d beyond the file", length);
            intact = false;
        } else {
            uint32_t computed = crcOfContent(file.handle, length, progressWindow);
            NativeLog::log(L"checksums: %u %u %d %d", computed, expected, (int)computed, (int)expected);
            intact = computed == expected;
        }
    }
    file.close();
    if (!intact) reportCorrupted(progressWindow);
}
