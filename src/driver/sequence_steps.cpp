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
#include "common/responses.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "common/text.hpp"
#include "driver/responses.hpp"
#include "driver/run_zel.hpp"
#include "mapfile/map_input.hpp"
#include "network/flow_network.hpp"
#include "network/land_cover_adjust.hpp"
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

void start_up(Console& con) {
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

OpenFiles open_files(const Responses& r, Run& run) {
    Console& con = run.con;
    OpenFiles files;

    // Step 7: the map file, read whole.
    if (!file_exists(r.map_file)) {
        con.say("file " + r.map_file + " not found");
        con.say();
        stop("Program aborted in zel.exe @ 324");
    }
    int error = 0;
    if (!readable_file(r.map_file) || !files.map.load(r.map_file, error)) {
        con.line(" Unable to open the file ", r.map_file);
        say_all(con,
                {" Are you in the proper directory?", " Did you enter the proper map file name?",
                 " Does the file you named exist?", ""});
        stop(" Program aborted");
    }

    // Step 8: the parameter file, unless its name starts with "n" ("na")
    // and no file of that name is here: north_basin.csv is a parameter file.
    if (r.par_file.empty() || r.par_file[0] != 'n' || file_exists(r.par_file)) {
        if (int e = open_for_reading_error(r.par_file); e != 0) {
            con.say("Problems on unit 32");
            con.say(r.par_file);
            con.line("iostat code =", e);
            stop("program aborted in zel @ 139");
        }
        files.have_par_file = true;
    } else {
        con.say("zelm_par.r2c not wanted for morvante");
    }

    // Steps 9-12: names of an older release go; the legacy files and the run log open.
    if (delete_old_file("new.map")) {
        say_all(con, {"existing new.map file deleted", "replaced by new_format.map ", ""});
        con.wait("hit enter to continue");
    }
    open_output(con, files.legacy.new_format, "new_format.shd", "NEW1.SHD");
    if (delete_old_file("new.shd")) {
        say_all(con, {"existing new.txt file deleted",
                      "replaced by new_format.map and old_format.map", ""});
        con.wait("hit enter to continue");
    }
    open_output(con, files.legacy.old_format, "old_format.shd", "NEW.SHD");
    open_output(con, files.legacy.ssdata, "ssdata.out", "ssdata.out");
    open_output(con, run.log, "zel_info.txt", "zel.err");
    return files;
}

ParBasin par_basin(const Responses& answers, const MapInput& map, const Network& net,
                   const LandCover& cover) {
    ParBasin basin;
    basin.classcount = cover.ntype() + 1 +
                       (answers.nca_choice == 2 && answers.adjust_nca == 'y' ? answers.nca_classes : 0);
    basin.nrvr = map.nrvr;
    basin.na = net.na;
    basin.naa = net.naa;
    basin.row = &net.row;
    basin.iak = &net.iak;
    basin.hdr = &map.hdr;
    return basin;
}

std::optional<ParameterSet> read_parameter_file(const Responses& answers, bool have_par_file,
                                                const ParBasin& basin, Run& run) {
    if (!have_par_file) return std::nullopt;
    SplitName split = split_file_name(answers.par_file);
    if (split.ext != "csv") {
        say_all(run.con, {"", "Old format .par file no longer accepted", ""});
        stop("Program aborted in ZEL @ 1975");
    }
    ParameterSet p = read_par_parser(answers.par_file, basin, 32, run);
    run.con.say("parameter file read");
    return p;
}

void ending(LegacyFiles& legacy, int errors, Run& run) {
    Console& con = run.con;
    // Legacy files still open (a stage that writes nothing to them) are kept.
    for (OutputFile* f : {&legacy.new_format, &legacy.old_format, &legacy.ssdata})
        if (f->is_open()) run.outputs.finish(*f);

    con.say();
    for (int k = 0; k < 3; ++k) con.line("No. of errors found in the map file = ", errors);
    con.say();
    if (errors != 0) {
        for (int k = 0; k < 3; ++k)
            con.say(" ********* please check the zel_info.txt file **********");
        con.say();
    } else {
        say_all(con, {"new_shd.r2c has been written",
                      "Please rename new_shd.r2c or replace the zelm_shd.r2c ", ""});
    }
    stop_normal(" Normal ending");
}
