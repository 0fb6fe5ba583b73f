#include "background_file_writer.h"

#include "error_exit.h"
#include "native_log.h"
#include "owned_handles.h"

namespace {

constexpr int kWriterThreads = 2;
constexpr size_t kQueuedBytesLimit = 32 * 1024 * 1024;

DWORD WINAPI writeQueuedFiles(void* parameter) {
    BackgroundFileWriter& writer = *(BackgroundFileWriter*)parameter;
    for (;;) {
        FileWriteJob job;
        {
            std::unique_lock<std::mutex> guard(writer.lock);
            writer.changed.wait(guard, [&] { return !writer.jobs.empty() || writer.closing; });
            if (writer.jobs.empty()) return 0;
            job = std::move(writer.jobs.front());
            writer.jobs.pop_front();
        }
        bool written = writeWholeFile(job.name, job.data.data(), job.data.size());
        {
            std::lock_guard<std::mutex> guard(writer.lock);
            writer.queuedBytes -= job.data.size();
            if (!written) writer.failed = true;
        }
        writer.changed.notify_all();
    }
}

}  // namespace

bool writeWholeFile(const std::string& name, const char* data, size_t size) {
    OwnedHandle file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        std::wstring text = formatWide(L"Could not open file %S\n", name.c_str());
        NativeLog::error(L"%s", text.c_str());
        fatalText(text.c_str());
    }
    bool written = true;
    for (size_t done = 0; done < size && written;) {
        DWORD part = size - done > 0x40000000 ? 0x40000000 : (DWORD)(size - done);
        DWORD put = 0;
        written = WriteFile(file.handle, data + done, part, &put, nullptr) && put == part;
        done += put;
    }
    // A failed close is a failed write: the data may not have reached the disk.
    if (!file.close()) written = false;
    if (!written) NativeLog::error(L"stream error");
    return written;
}

void startFileWriters(BackgroundFileWriter& writer) {
    for (int i = 0; i < kWriterThreads; ++i) {
        if (HANDLE thread = CreateThread(nullptr, 0, writeQueuedFiles, &writer, 0, nullptr)) writer.threads.push_back(thread);
    }
}

bool queueFileWrite(BackgroundFileWriter& writer, FileWriteJob job) {
    if (writer.threads.empty()) {
        if (!writeWholeFile(job.name, job.data.data(), job.data.size())) writer.failed = true;
        return !writer.failed;
    }
    {
        std::unique_lock<std::mutex> guard(writer.lock);
        writer.changed.wait(guard, [&] { return writer.queuedBytes < kQueuedBytesLimit || writer.failed; });
        if (writer.failed) return false;
        writer.queuedBytes += job.data.size();
        writer.jobs.push_back(std::move(job));
    }
    writer.changed.notify_all();
    return true;
}

bool finishFileWriters(BackgroundFileWriter& writer) {
    {
        std::lock_guard<std::mutex> guard(writer.lock);
        writer.closing = true;
    }
    writer.changed.notify_all();
    for (HANDLE thread : writer.threads) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    writer.threads.clear();
    std::lock_guard<std::mutex> guard(writer.lock);
    return !writer.failed;
}
