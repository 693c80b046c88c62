#include "xml/file_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace tallomir::xml::output {

bool FileSink::take(void* context, const char* data, std::size_t size) {
    return static_cast<FileSink*>(context)->append(data, size);
}

bool FileSink::append(const char* data, std::size_t size) {
    while (size > 0) {
        if (failed_.load(std::memory_order_relaxed))
            return false;
        if (filling_.data == nullptr)
            filling_ = {freeBlock(), 0};
        const std::size_t piece = std::min(size, blockSize - filling_.used);
        std::memcpy(filling_.data + filling_.used, data, piece);
        filling_.used += piece;
        data += piece;
        size -= piece;
        if (filling_.used == blockSize)
            queue(std::exchange(filling_, Block{nullptr, 0}));
    }
    return !failed_.load(std::memory_order_relaxed);
}

// A block to fill: a free one, a new one while there are fewer than
// `blockCount`, or the next one the thread has written.
char* FileSink::freeBlock() {
    std::unique_lock lock(mutex_);
    if (free_.empty() && blocks_.size() < blockCount) {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
        return blocks_.back().get();
    }
    changed_.wait(lock, [this] { return !free_.empty(); });
    char* block = free_.back();
    free_.pop_back();
    return block;
}

void FileSink::queue(Block block) {
    {
        std::lock_guard lock(mutex_);
        queued_.push_back(block);
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    changed_.notify_all();
}

void FileSink::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queued_.empty() || closing_; });
        if (queued_.empty())
            return;
        const Block block = queued_.front();
        queued_.pop_front();
        const bool write = error_ == 0;
        lock.unlock();
        // After a failed write the rest is dropped, and its blocks are
        // given back so that the writer never waits for one.
        const int error = write ? writeOut(block) : 0;
        lock.lock();
        if (error != 0) {
            error_ = error;
            failed_.store(true, std::memory_order_relaxed);
        }
        free_.push_back(block.data);
        changed_.notify_all();
    }
}

int FileSink::writeOut(const Block& block) {
    const char* data = block.data;
    std::size_t size = block.used;
    while (size > 0) {
        const ssize_t written = ::write(fd_, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data += written;
        size -= static_cast<std::size_t>(written);
        written_ += written;
    }
#ifdef __linux__
    // The disk starts on each megabyte at once, so that the flush at the end
    // waits only for the last part. Best effort: the flush before the rename is
    // what makes the file durable, and it reports any fault.
    constexpr off_t step = 1 << 20;
    if (written_ - writtenBack_ >= step) {
        ::sync_file_range(fd_, writtenBack_, written_ - writtenBack_, SYNC_FILE_RANGE_WRITE);
        writtenBack_ = written_;
    }
#endif
    return 0;
}

int FileSink::finish() {
    if (!thread_.joinable()) {
        // Everything fits in the block being filled: written here.
        if (filling_.used != 0 && error_ == 0)
            error_ = writeOut(filling_);
        filling_ = {nullptr, 0};
        return error_;
    }
    if (filling_.used != 0)
        queue(filling_);
    filling_ = {nullptr, 0};
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
    return error_;
}

} // namespace tallomir::xml::output
