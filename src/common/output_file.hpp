#pragma once
// A text file written whole: the text goes to a temporary file beside the
// final name and is renamed over it on commit(), so a stopped run never leaves
// a half-written file under the final name. Text is gathered in a large buffer
// and written in big pieces. A large file hands what it has written to the
// disk as it goes and lets the page cache take those pages back, so that a
// run writing gigabytes reuses the same memory instead of filling the cache
// with fresh pages (on a virtual machine each fresh page is costly).
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

class OutputFile {
public:
    OutputFile() = default;
    explicit OutputFile(std::string name) : name_(std::move(name)) {}
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    ~OutputFile();

    // Create the temporary file for `name`. False (with error_code()) when the
    // file cannot be created, or when `name` is taken by something that is not
    // a writable regular file (a folder, say).
    bool open(const std::string& name);
    bool is_open() const { return file_ != nullptr; }
    int error_code() const { return error_; }
    const std::string& name() const { return name_; }

    // Append text; the buffer is written out when it grows large.
    std::string& buffer() { return buf_; }
    void write(std::string_view text);
    void line(std::string_view text = {});
    void flush_if_large() {
        if (buf_.size() >= kFlushSize) flush();
    }

    // Write everything, close, and rename over the final name. False on failure.
    bool commit();
    // Write everything and close, keeping the temporary file for publish().
    // False on failure (the temporary file is then gone).
    bool finish();
    // Rename a finished file over its final name. False on failure.
    bool publish();
    bool finished() const { return finished_; }
    // Close and remove the temporary file, leaving any earlier file untouched.
    void discard();

private:
    static constexpr std::size_t kFlushSize = 1 << 22;
    bool flush();
    bool put(const char* data, std::size_t size);
    void hand_back_written();
    std::string temp_name() const { return name_ + ".zeltmp"; }

    std::string name_;
    std::FILE* file_ = nullptr;
    std::string buf_;
    int error_ = 0;
    bool failed_ = false;
    bool finished_ = false;  // closed, waiting under its temporary name
    std::int64_t written_ = 0;   // bytes handed to the file so far
    std::int64_t started_ = 0;   // writing to disk started up to here
    std::int64_t released_ = 0;  // the page cache asked to let go up to here
};

// Remove the temporary files of unfinished or unpublished outputs when the
// process is interrupted (Ctrl-C at a wait) or terminated.
void remove_temporaries_on_interrupt();

// Whether a file (or folder) of this name exists.
bool file_exists(const std::string& name);
// Whether this name is an existing regular file that can be opened for reading.
bool readable_file(const std::string& name);
// Read a whole file into `out`. False (with errno in `error`) when it cannot.
bool read_whole_file(const std::string& name, std::string& out, int& error);
