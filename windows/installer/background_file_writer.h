// Writes whole files on two background threads while the caller goes on producing the next ones.
// Creating and writing many small files costs far more than producing their bytes (unpacking an
// archive), and file creation runs in parallel well.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

struct FileWriteJob {
    std::string name;  // relative to the current directory, which must not change meanwhile
    std::vector<char> data;
};

struct BackgroundFileWriter {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<FileWriteJob> jobs;
    size_t queuedBytes = 0;
    bool closing = false;
    bool failed = false;
    std::vector<HANDLE> threads;
};

// Starts the threads; without them every file is written at once by queueFileWrite.
void startFileWriters(BackgroundFileWriter& writer);
// Hands a file over; waits while too many bytes are waiting to be written. False once a write has
// failed: there is no point in going on.
bool queueFileWrite(BackgroundFileWriter& writer, FileWriteJob job);
// Waits until every file was written and stops the threads; false when any write failed.
bool finishFileWriters(BackgroundFileWriter& writer);

// Creates (or truncates) `name` and writes `size` bytes; a failed open ends the launcher, a failed
// write or close gives false.
bool writeWholeFile(const std::string& name, const char* data, size_t size);
