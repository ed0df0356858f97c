#include "common/output_file.hpp"

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
      finished_(std::exchange(other.finished_, false)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        discard();
        name_ = std::move(other.name_);
        file_ = std::exchange(other.file_, nullptr);
        buf_ = std::move(other.buf_);
        error_ = other.error_;
        failed_ = other.failed_;
        finished_ = std::exchange(other.finished_, false);
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
        if (!flush()) return;
        if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
            failed_ = true;
            error_ = errno;
        }
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
        if (std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size()) {
            failed_ = true;
            error_ = errno;
        }
        buf_.clear();
    }
    return !failed_;
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
