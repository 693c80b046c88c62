// The file a save writes into. What the writer makes is copied into blocks and
// handed to the file on a thread of its own, so that making the next part and
// copying the last into the file go on at once. A file smaller than one block
// is written on the caller's thread, without a thread.

#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace tallomir::xml::output {

class FileSink {
public:
    static constexpr std::size_t blockSize = 256 * 1024;
    static constexpr std::size_t blockCount = 4;

    // Writes into the open file `fd`, which it never closes.
    explicit FileSink(int fd) : fd_(fd) {}
    ~FileSink() { finish(); }
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // The sink of an `Output`: takes a copy of the bytes. False once a write
    // has failed; nothing more reaches the file then.
    static bool take(void* context, const char* data, std::size_t size);
    // Waits until everything taken is handed to the file; the error of the
    // first write that failed, or 0.
    int finish();

private:
    struct Block {
        char* data;
        std::size_t used;
    };

    bool append(const char* data, std::size_t size);
    char* freeBlock();
    void queue(Block block);
    void run();
    // Writes the block whole; the error, or 0.
    int writeOut(const Block& block);

    const int fd_;
    off_t written_ = 0;     // bytes handed to the file so far (by the one writing)
    off_t writtenBack_ = 0; // bytes whose write-back to the disk has been started
    Block filling_{nullptr, 0};

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<char[]>> blocks_; // made as they are first needed
    std::vector<char*> free_;
    std::deque<Block> queued_;
    bool closing_ = false;
    int error_ = 0;
    std::atomic<bool> failed_ = false;
    std::thread thread_;
};

} // namespace tallomir::xml::output
