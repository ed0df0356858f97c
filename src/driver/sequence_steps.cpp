// The driver's own steps: start-up, opening the files, the parameter file
// hand-over and the ending.
#include "driver/sequence_steps.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "common/console.hpp"
#include "common/output_file.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "common/text.hpp"
#include "driver/responses.hpp"
#include "driver/run_zel.hpp"
#include "parfile/read_par.hpp"

namespace {

void say_all(Console& con, std::initializer_list<std::string_view> lines) {
    for (auto l : lines) con.say(l);
}

// Open an output file of the legacy set; `shown` is the name its message gives.
void open_output(Console& con, OutputFile& file, const std::string& name, std::string_view shown) {
    if (file.open(name)) return;
    con.say("Cannot create " + name + ": " + std::strerror(file.error_code()));
    con.line(" Problems opening the", shown, "file ");
    con.say(" Possible cause: file open or read only");
    con.say();
    stop(" Program ZEL aborted");
}

// Delete a file of an older release; true when one was there and is gone.
bool delete_old_file(const std::string& name) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return std::remove(name.c_str()) == 0;
}

// errno of opening a file for reading (0 when it opens); a folder fails.
int open_for_reading_error(const std::string& name) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return errno;
    std::fclose(f);
    return 0;
}

}  // namespace

int iopt_from_args(const std::vector<std::string>& args) {
    if (args.empty()) return -1;
    return args[0].size() == 1 ? 0 : static_cast<int>(args[0].size());
}

SplitName split_file_name(std::string_view name) {
    SplitName out;
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        out.base = std::string(name);
        out.ext = "   ";
        out.length = static_cast<int>(name.size());
        return out;
    }
    out.base = std::string(name.substr(0, dot + 1));
    out.ext = padded(name.substr(dot + 1, 3), 3);
    out.length = static_cast<int>(dot + 1 + 3);
    return out;
}

void start_up(Run& run, Console& con) {
    // Steps 1-2: the file-name table is part of Run; iopt came from main.
    run.errors = 0;
    run.nrvr = 0;
    run.hdr.projection = run.hdr.datum1 = run.hdr.zone = "unknown";

    say_all(con, {"********************************************************",
                  "*                                                      *",
                  "*                  TALVIREN (TM)                       *",
                  "*                                                      *",
                  "*     Program ZEL Version 10.9     Nov. 23, 2015       *",
                  "*               Revised  Mar. 06, 2016                 *",
                  "*                                                      *",
                  "*                                                      *",
                  "********************************************************"});
    say_all(con, {"", "Please see file zel_info.txt for information re: this run", "",
                  "VERY IMPORTANT CHANGES:", "", "In the zelm.map file",
                  "the impervious area is now the LAST class - not the first",
                  "The no of classes is now the TOTAL number - including the", "impervious class",
                  "", "Please change the .map file accordingly if you have not",
                  "yet done so.  Sorry for the inconvenience  JQ", "",
                  "Program = modified to allow for non-contributing areas",
                  "The file nca.r2s is required - see TALVIREN manual", "",
                  "Program = modified to allow for mean & max grid elev`s",
                  "The file dem.r2s is required - see TALVIREN manual", ""});
    con.wait("Hit enter to continue - Ctrl C to abort");
    con.say();
}

void open_files(Run& run, Console& con) {
    const Responses& r = run.answers;

    // Step 7: the map file, read whole.
    if (!file_exists(r.map_file)) {
        con.say("file " + r.map_file + " not found");
        con.say();
        stop("Program aborted in zel.exe @ 324");
    }
    int error = 0;
    run.map = TextReader();
    if (!readable_file(r.map_file) || !run.map.load(r.map_file, error)) {
        con.line(" Unable to open the file ", r.map_file);
        say_all(con,
                {" Are you in the proper directory?", " Did you enter the proper map file name?",
                 " Does the file you named exist?", ""});
        stop(" Program aborted");
    }

    // Step 8: the parameter file, unless its name starts with "n".
    run.have_par_file = false;
    if (r.par_file.empty() || r.par_file[0] != 'n') {
        if (int e = open_for_reading_error(run.fln[2]); e != 0) {
            con.say("Problems on unit 32");
            con.say(run.fln[2]);
            con.line("iostat code =", e);
            stop("program aborted in zel @ 139");
        }
        run.have_par_file = true;
    } else {
        con.say("zelm_par.r2c not wanted for morvante");
    }

    // Steps 9-12: names of an older release go; the legacy files and the run log open.
    if (delete_old_file("new.map")) {
        say_all(con, {"existing new.map file deleted", "replaced by new_format.map ", ""});
        con.wait("hit enter to continue");
    }
    open_output(con, run.new_format_shd, "new_format.shd", "NEW1.SHD");
    if (delete_old_file("new.shd")) {
        say_all(con, {"existing new.txt file deleted",
                      "replaced by new_format.map and old_format.map", ""});
        con.wait("hit enter to continue");
    }
    open_output(con, run.old_format_shd, "old_format.shd", "NEW.SHD");
    open_output(con, run.ssdata, "ssdata.out", "ssdata.out");
    open_output(con, run.log, "zel_info.txt", "zel.err");

    // Step 13: room for the header comments.
    run.hdr.comments.clear();
    run.hdr.comments.reserve(1000);
}

void read_parameter_file(Run& run, Console& con) {
    if (!run.have_par_file) return;
    SplitName split = split_file_name(run.fln[2]);
    if (split.ext != "csv") {
        say_all(con, {"", "Old format .par file no longer accepted", ""});
        stop("Program aborted in ZEL @ 1975");
    }
    read_par_parser(run, con, 32, run.fln[2]);
    run.par_read = true;
    con.say("parameter file read");
}

void ending(Run& run, Console& con) {
    // Legacy files still open (a stage that writes nothing to them) are kept.
    for (OutputFile* f : {&run.new_format_shd, &run.old_format_shd, &run.ssdata})
        if (f->is_open()) f->commit();

    con.say();
    for (int k = 0; k < 3; ++k) con.line("No. of errors found in the map file = ", run.errors);
    con.say();
    if (run.errors != 0) {
        for (int k = 0; k < 3; ++k)
            con.say(" ********* please check the zel_info.txt file **********");
        con.say();
    } else {
        say_all(con, {"new_shd.r2c has been written",
                      "Please rename new_shd.r2c or replace the zelm_shd.r2c ", ""});
    }
    stop_normal(" Normal ending");
}
