#include "ensim/r2c_writer.hpp"

#include <cstdio>
#include <ctime>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "common/field_format.hpp"

namespace {

const std::string kHashLine = padded("#", 40);

std::string key20(std::string_view key) {
    return padded(key, 20);
}

std::string creation_date() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d  %02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    return buf;
}

void write_header(OutputFile& out, const GridHeader& gh, int frames, int classes) {
    using namespace field;
    out.line("########################################");
    out.line(padded(":FileType r2c  ASCII  EnSim 1.0", 40));
    out.line(kHashLine);
    out.line(padded("# DataType               2D Rect Cell", 40));
    out.line(kHashLine);
    out.line(padded(":Application             TALVIREN", 40));
    out.line(padded(":Version                 2.1.23", 40));
    out.line(key20(":WrittenBy") + A(gh.author, 40));
    out.line(key20(":Weight used") + I(gh.weight, 16));
    out.line(key20(":CreationDate") + creation_date());
    out.line(kHashLine);
    out.line("#---------------------------------------");
    out.line(kHashLine);
    out.line(key20(":Name") + A(gh.name, 40));
    out.line(kHashLine);
    out.line(key20(":Projection") + A(gh.projection, 10));
    if (gh.projection == "LatLong") out.line(key20(":Ellipsoid") + A(gh.datum1, 10));
    if (gh.projection == "UTM") {
        out.line(key20(":Ellipsoid") + A(gh.datum1, 10));
        out.line(key20(":Zone") + I(gh.zone, 16));
    }
    out.line(kHashLine);
    out.line(key20(":xOrigin") + F(gh.xorigin, 16, 4));
    out.line(key20(":yOrigin") + F(gh.yorigin, 16, 4));
    out.line(kHashLine);
    out.line(key20(":SourceFile") + X(10) + A(gh.source_file, 30));
    out.line(kHashLine);
    for (int k = 1; k <= classes; ++k) out.line(":AttributeName" + I(k, 5) + " Class" + I(k, 5));
    out.line(kHashLine);
    out.line(key20(":xCount") + I(gh.xcount, 16));
    out.line(key20(":yCount") + I(gh.ycount, 16));
    out.line(key20(":xDelta") + F(gh.xdelta, 16, 4));
    out.line(key20(":yDelta") + F(gh.ydelta, 16, 4));
    if (frames <= 1) {
        out.line(kHashLine);
        out.line(key20(":SampleTime") + A(gh.sample_date, 10) + "  " + A(gh.sample_time, 10));
    }
    out.line(kHashLine);
    if (gh.unit_conversion != 0) out.line(key20(":UnitConversion") + F(gh.unit_conversion, 16, 4));
    out.line(kHashLine);
    out.line(padded(":endHeader", 40));
}

// One value in the field of the number format code.
void put_value(std::string& out, float v, int code) {
    switch (code) {
        case 0:
            field::put_f(out, v, 5, 0);
            break;
        case 1:
            field::put_f(out, v, 5, 1);
            break;
        case 2:
            field::put_f(out, v, 5, 2);
            break;
        case 3:
            field::put_f(out, v, 6, 3);
            break;
        case 4:
            field::put_f(out, v, 7, 4);
            break;
        case 5:
            field::put_f(out, v, 8, 5);
            break;
        case 6:
            field::put_f(out, v, 9, 6);
            break;
        case 8:
            field::put_e(out, v, 10, 3);
            break;
        case 9:
            field::put_f(out, v, 6, 2);
            break;
        case 10:
            field::put_f(out, v, 10, 0);
            break;
        case 11:
            field::put_f(out, v, 8, 3);
            break;
        case 12:
            field::put_f(out, v, 8, 2);
            break;
        default:
            field::put_e(out, v, 12, 6);
            break;  // 7 and every unknown code
    }
}

void write_block(OutputFile& out, const Grid<float>& grid, int code) {
    constexpr int kPerLine = 9999;
    std::string& buf = out.buffer();
    for (int row = 1; row <= grid.rows(); ++row) {
        const float* values = grid.row_data(row);
        for (int col = 0; col < grid.cols(); ++col) {
            if (col > 0 && col % kPerLine == 0) buf.push_back('\n');
            buf.push_back(' ');
            put_value(buf, values[col], code);
        }
        buf.push_back('\n');
        out.flush_if_large();
    }
}

std::string frame_line(const GridHeader& gh, int frame) {
    using namespace field;
    return ":Frame" + I(frame, 10) + I(frame, 10) + "   \"" + I(gh.frame_year, 4) + "/" +
           std::to_string(gh.frame_month) + "/" + std::to_string(gh.frame_day) + " " +
           I(gh.frame_hour, 2) + ":00:00.000\"";
}

}  // namespace

void write_r2c(Run& run, Console& con, int channel, int fln_index, int frames, int classes,
               int frame, int class_no, int format_code) {
    if (frames > 1 && classes > 1) {
        con.say("Programming error");
        con.say("no_frames > 1  and  no_classes > 1");
        con.say("This is not allowed");
        con.say();
        stop("Program aborted due to programming error");
    }
    if (fln_index < 0 || fln_index >= static_cast<int>(run.fln.size()))
        stop("Programming error: write_r2c was given file name entry " + std::to_string(fln_index));
    std::string name(rtrim(run.fln[static_cast<std::size_t>(fln_index)]));
    OutputFile& out = run.r2c_file;

    if (frame == 0 && class_no == 0) {
        // A file left open by an unfinished call sequence is incomplete: drop it.
        out.discard();
        if (!out.open(name)) {
            con.say();
            con.line("Unable to open file", name.substr(0, 40));
            con.line("ios = ", out.error_code());
            con.say("Possible cause(s):");
            con.say("file in use by another application");
            con.say("or target directory does not exist");
            con.say("or New event files req`d for the new");
            con.say("wind and temp. difference files");
            stop("in write_r2c @ L83");
        }
        run.r2c_channel = channel;
        if (run.iopt >= 1) {
            con.say();
            con.line("In write_r2c opened unit=", channel, " filename=", name);
        }
        write_header(out, run.gh, frames, classes);
        return;
    }

    if (!out.is_open())
        stop("Programming error: write_r2c was asked to write a block of " + name +
             " before its opening call");
    const GridHeader& gh = run.gh;
    const Grid<float>& grid = run.output_grid;
    if (grid.rows() != gh.ycount || grid.cols() != gh.xcount) {
        out.discard();
        stop("Programming error: the grid for " + name + " is " + std::to_string(grid.rows()) +
             " x " + std::to_string(grid.cols()) + " but its header says " +
             std::to_string(gh.ycount) + " x " + std::to_string(gh.xcount));
    }

    if (frame >= 1 && class_no == 0 && frames >= 2) out.line(frame_line(gh, frame));
    write_block(out, grid, format_code);
    if (frame >= 1 && class_no == 0) out.line(":EndFrame");

    // A frame call carries class number 0, so the last frame of a file of
    // frames closes it whatever the class count (else the file were never closed).
    const bool last_frame = frames >= 2 && class_no == 0 && frame >= frames;
    if ((frame >= frames && class_no >= classes) || last_frame) {
        if (!out.commit()) {
            stop_lines({"Unable to write file " + name + " (error " +
                            std::to_string(out.error_code()) + ")",
                        "in write_r2c"});
        }
        std::string closed =
            frames < 1 ? words("Closed unit ", channel, " Filename=  ", name.substr(0, 40), "fr #",
                               class_no, classes)
                       : words("Closed unit ", channel, " Filename=  ", name.substr(0, 40), "fr #",
                               frame, frames);
        run.log_line(closed);
        con.say(closed);
    }
}
