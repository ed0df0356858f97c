#include "common/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

// The temporary files that exist now, for the interrupt handler: plain
// character arrays, so that the handler needs nothing but unlink().
constexpr int kMaxTemporaries = 256;
constexpr std::size_t kMaxName = 512;
char g_temporary[kMaxTemporaries][kMaxName];
volatile std::sig_atomic_t g_in_use[kMaxTemporaries];
std::mutex g_registry;

void remember(const std::string& name) {
    if (name.size() >= kMaxName) return;
    std::lock_guard<std::mutex> lock(g_registry);
    for (int k = 0; k < kMaxTemporaries; ++k) {
        if (g_in_use[k]) continue;
        std::memcpy(g_temporary[k], name.c_str(), name.size() + 1);
        g_in_use[k] = 1;
        return;
    }
}

void forget(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_registry);
    for (int k = 0; k < kMaxTemporaries; ++k)
        if (g_in_use[k] && name == g_temporary[k]) {
            g_in_use[k] = 0;
            return;
        }
}

extern "C" void remove_temporaries(int sig) {
    for (int k = 0; k < kMaxTemporaries; ++k)
        if (g_in_use[k]) ::unlink(g_temporary[k]);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

void remove_temporaries_on_interrupt() {
    std::signal(SIGINT, remove_temporaries);
    std::signal(SIGTERM, remove_temporaries);
    std::signal(SIGHUP, remove_temporaries);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : name_(std::move(other.name_)),
      file_(std::exchange(other.file_, nullptr)),
      buf_(std::move(other.buf_)),
      error_(other.error_),
      failed_(other.failed_),
      finished_(std::exchange(other.finished_, false)),
      written_(other.written_),
      started_(other.started_),
      released_(other.released_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        discard();
        name_ = std::move(other.name_);
        file_ = std::exchange(other.file_, nullptr);
        buf_ = std::move(other.buf_);
        error_ = other.error_;
        failed_ = other.failed_;
        finished_ = std::exchange(other.finished_, false);
        written_ = other.written_;
        started_ = other.started_;
        released_ = other.released_;
    }
    return *this;
}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const std::string& name) {
    discard();
    name_ = name;
    buf_.clear();
    failed_ = false;
    error_ = 0;
    written_ = started_ = released_ = 0;
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            error_ = EISDIR;
            return false;
        }
        if (::access(name.c_str(), W_OK) != 0) {
            error_ = errno;
            return false;
        }
    }
    file_ = std::fopen(temp_name().c_str(), "wb");
    if (!file_) {
        error_ = errno;
        return false;
    }
    remember(temp_name());
    return true;
}

void OutputFile::write(std::string_view text) {
    // A large piece goes straight to the file, after what is buffered.
    if (file_ && text.size() >= (std::size_t{1} << 16)) {
        if (flush()) put(text.data(), text.size());
        return;
    }
    buf_.append(text);
    flush_if_large();
}

void OutputFile::line(std::string_view text) {
    buf_.append(text);
    buf_.push_back('\n');
    flush_if_large();
}

bool OutputFile::flush() {
    if (!file_) {
        buf_.clear();
        return false;
    }
    if (!buf_.empty()) {
        put(buf_.data(), buf_.size());
        buf_.clear();
    }
    return !failed_;
}

bool OutputFile::put(const char* data, std::size_t size) {
    if (std::fwrite(data, 1, size, file_) != size) {
        failed_ = true;
        error_ = errno;
        return false;
    }
    written_ += static_cast<std::int64_t>(size);
    hand_back_written();
    return true;
}

// Every 32 MB, start writing the newest stretch to disk, and ask the page
// cache to let go of the stretches before the last two: what is on disk by
// then is dropped, what is not yet stays (nothing waits for the disk). The
// file's bytes are the same either way; where the calls are not supported
// they do nothing and the file is written as usual.
void OutputFile::hand_back_written() {
#if defined(__linux__)
    constexpr std::int64_t kStretch = std::int64_t{32} << 20;
    if (written_ - started_ < kStretch) return;
    const int fd = ::fileno(file_);
    ::sync_file_range(fd, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
    started_ = written_;
    if (started_ - released_ < 3 * kStretch) return;
    const std::int64_t end = started_ - kStretch;
    ::posix_fadvise(fd, released_, end - released_, POSIX_FADV_DONTNEED);
    released_ = end;
#endif
}

bool OutputFile::commit() { return finish() && publish(); }

bool OutputFile::finish() {
    if (!file_) return false;
    bool ok = flush();
    if (std::fclose(file_) != 0) {
        ok = false;
        error_ = errno;
    }
    file_ = nullptr;
    if (!ok) {
        std::remove(temp_name().c_str());
        forget(temp_name());
    }
    finished_ = ok;
    return ok;
}

bool OutputFile::publish() {
    if (!finished_) return false;
    finished_ = false;
    const bool ok = std::rename(temp_name().c_str(), name_.c_str()) == 0;
    if (!ok) {
        error_ = errno;
        std::remove(temp_name().c_str());
    }
    forget(temp_name());
    return ok;
}

void OutputFile::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        std::remove(temp_name().c_str());
        forget(temp_name());
    }
    if (finished_) {
        finished_ = false;
        std::remove(temp_name().c_str());
        forget(temp_name());
    }
    buf_.clear();
}

bool file_exists(const std::string& name) {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0;
}

bool readable_file(const std::string& name) {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(name.c_str(), R_OK) == 0;
}

bool read_whole_file(const std::string& name, std::string& out, int& error) {
    out.clear();
    error = 0;
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        error = errno;
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = EISDIR;
        return false;
    }
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) {
        error = errno;
        return false;
    }
    if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[1 << 16];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.append(chunk, got);
    bool ok = !std::ferror(f);
    if (!ok) error = errno;
    std::fclose(f);
    return ok;
}
