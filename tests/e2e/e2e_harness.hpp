#pragma once
// End-to-end harness: a temporary basin folder, files written into it, and
// runs of the built zel inside it with a given standard input.
//
//   e2e::Basin basin;                       // empty temporary folder
//   basin.copy_example("tiny");             // examples/tiny/* into it
//   basin.write("zel_responses.txt", ...);
//   e2e::Result r = basin.run("\n");        // stdin text; args optional
//   EXPECT_EQ(r.status, 0);
//   EXPECT_TRUE(r.has_line(" Normal ending"));
//   EXPECT_TRUE(basin.exists("new_shd.r2c"));
//
// Each run is limited to 60 seconds (a hanging zel is killed and reported
// with status -1), so a test never hangs.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef ZEL_BINARY
#error "ZEL_BINARY must name the built zel"
#endif
#ifndef ZEL_SOURCE_DIR
#error "ZEL_SOURCE_DIR must name the source tree"
#endif

namespace e2e {

namespace fs = std::filesystem;

inline std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// What one run of zel gave.
struct Result {
    int status = -1;  // exit status; -1 when killed (crash or time limit)
    int signal = 0;   // the signal that ended it, if any
    std::string out;  // standard output (the console)
    std::string err;  // standard error (sanitizer reports end up here)

    std::vector<std::string> lines() const { return split_lines(out); }
    // A console line equal to `line`.
    bool has_line(const std::string& line) const {
        auto l = lines();
        return std::find(l.begin(), l.end(), line) != l.end();
    }
    // Console lines equal to `seq`, one after the other.
    bool has_lines(const std::vector<std::string>& seq) const {
        auto l = lines();
        return !seq.empty() && std::search(l.begin(), l.end(), seq.begin(), seq.end()) != l.end();
    }
    // The last console line (the stop message).
    std::string last_line() const {
        auto l = lines();
        return l.empty() ? std::string() : l.back();
    }
    bool contains(const std::string& text) const { return out.find(text) != std::string::npos; }
};

// A temporary folder, removed with everything in it at the end of the test.
class TempFolder {
  public:
    TempFolder() {
        std::string templ = (fs::temp_directory_path() / "zel_test_XXXXXX").string();
        if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = templ;
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& dir() const { return dir_; }
    fs::path path(const std::string& name) const { return dir_ / name; }

    void write(const std::string& name, const std::string& text) const {
        std::ofstream out(path(name), std::ios::binary);
        out << text;
    }
    std::string read(const std::string& name) const { return read_file(path(name)); }
    std::vector<std::string> read_lines(const std::string& name) const {
        return split_lines(read(name));
    }
    bool exists(const std::string& name) const { return fs::exists(path(name)); }
    void make_folder(const std::string& name) const { fs::create_directories(path(name)); }
    void remove(const std::string& name) const { fs::remove_all(path(name)); }
    // Files in the folder, sorted.
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }

  private:
    fs::path dir_;
};

// Work inside a folder for the lifetime of this object (for tests that call
// stages directly; the program works in the current directory).
class InFolder {
  public:
    explicit InFolder(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
    ~InFolder() {
        std::error_code ec;
        fs::current_path(old_, ec);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

  private:
    fs::path old_;
};

// A basin folder to run zel in.
class Basin : public TempFolder {
  public:
    // Copy the files of examples/<name> into the folder.
    void copy_example(const std::string& name) const {
        fs::path src = fs::path(ZEL_SOURCE_DIR) / "examples" / name;
        for (const auto& e : fs::directory_iterator(src))
            fs::copy(e.path(), dir() / e.path().filename(),
                     fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }

    // Run zel in the folder with `input` as standard input (empty input is
    // like < /dev/null) and the given command-line arguments.
    Result run(const std::string& input, const std::vector<std::string>& args = {},
               int time_limit_seconds = 60) const {
        TempFolder io;  // stdin / stdout / stderr files, outside the basin
        io.write("stdin", input);
        std::string in_path = io.path("stdin"), out_path = io.path("stdout"),
                    err_path = io.path("stderr");
        std::vector<std::string> argv_s{ZEL_BINARY};
        argv_s.insert(argv_s.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argv_s) argv.push_back(a.data());
        argv.push_back(nullptr);

        Result r;
        pid_t pid = ::fork();
        if (pid < 0) throw std::runtime_error("fork failed");
        if (pid == 0) {
            int in = ::open(in_path.c_str(), O_RDONLY);
            int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || out < 0 || err < 0 || ::chdir(dir().c_str()) != 0) ::_exit(127);
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::alarm(static_cast<unsigned>(time_limit_seconds));  // survives exec
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int wstatus = 0;
        while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
        if (WIFSIGNALED(wstatus)) r.signal = WTERMSIG(wstatus);
        r.out = io.read("stdout");
        r.err = io.read("stderr");
        return r;
    }
};

}  // namespace e2e
