// new_ch_par.r2c: the channel values of the river classes spread over the grid.
#include <algorithm>
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "common/text.hpp"
#include "common/field_format.hpp"
#include "output/output_support.hpp"
#include "output/outputs.hpp"

namespace {

constexpr int kValuesPerLine = 999;

using field::Field;

struct Block {
    const char* attribute;  // header line, padded to 30
    int per_cell;           // index into ParameterSet::per_cell
    Field field;
};

const Block kBlocks[] = {
    {":AttributeName 1 Flz", 0, Field::E(10, 3, true)},
    {":AttributeName 2 Pwr", 1, Field::F(5, 3, true)},
    {":AttributeName 3 R1n", 2, Field::F(5, 3, true)},
    {":AttributeName 4 R2n", 3, Field::F(5, 3, true)},
    {":AttributeName 5 mndr", 4, Field::F(5, 1, true)},
    {":AttributeName 6 aa2", 5, Field::F(10, 5, true)},
    {":AttributeName 7 aa3", 6, Field::F(10, 5, true)},
    {":AttributeName 8 aa4", 7, Field::F(10, 5, true)},
    {":AttributeName 9 theta", 8, Field::F(5, 3, true)},
    {":AttributeName 10 widep", 9, Field::F(5, 0, true)},
    {":AttributeName 11 kcond", 10, Field::F(5, 3, true)},
};

void write_header(const WrittenBasin& b, R2cWriter& f) {
    using out::key20;
    const MapHeader& h = b.map.hdr;
    const Window& w = b.shed.window;
    write_r2c_opening(f);
    f.line(":Application                    TALVIREN");
    f.line(padded(":Version                 2.1.23", 40));
    f.line(key20(":WrittenBy") + field::A(b.dem ? "talviren/zel" : b.answers.initials, 40));
    f.line(key20(":CreationDate") + creation_date());
    f.line(out::hash40());
    f.line("#---------------------------------------");
    f.line(key20(":SourceFileName") + field::A(*b.par_file, 40));
    f.line(":NominalGridSize_AL " + field::F(b.net.areas.al, 12, 3));
    f.line(":ContourInterval    " + field::F(h.cintv, 12, 3));
    f.line(":ImperviousArea     " + field::F(h.aimpr, 12, 3));
    f.line(":ClassCount         " + field::I(0, 12));
    f.line(":NumRiverClasses    " + field::I(b.map.nrvr, 12));
    f.line(":ElevConversion     " + field::F(h.elvconv, 12, 3));
    f.line(":TotalNumOfGrids    " + field::I(b.shed.cells, 12));
    f.line(":numGridsInBasin    " + field::I(b.shed.in_basin(), 12));
    f.line(":DebugGridNo        " + field::I(b.net.na / 2, 12));
    f.line(out::hash40());
    f.line(out::hash40());
    f.line(key20(":Projection") + field::A(h.projection.text, 10));
    if (h.projection.named(Projection::utm)) f.line(key20(":Zone") + field::A(h.zone, 10));
    f.line(key20(":Ellipsoid") + field::A(h.datum1, 10));
    f.line(out::hash40());
    f.line(key20(":xOrigin") + field::F(w.xorigin, 15, 5));
    f.line(key20(":yOrigin") + field::F(w.yorigin, 15, 5));
    f.line(out::hash40());
    for (const Block& b : kBlocks) f.line(padded(b.attribute, 30));
    f.line(padded("#          5", 40));
    f.line(key20(":xCount") + field::I(w.cols, 12));
    f.line(key20(":yCount") + field::I(w.rows, 12));
    f.line(key20(":xDelta") + field::F(h.xdelta, 15, 5));
    f.line(key20(":yDelta") + field::F(h.ydelta, 15, 5));
    f.line(out::hash40());
    f.line(padded(":EndHeader", 40));
}

[[noreturn]] void cannot_write(Console& con) {
    con.say(" Problems opening the new_par.r2c file ");
    con.say(" Possible cause: file open or read only");
    con.say();
    stop(" Program ZEL aborted @ 2358");
}

}  // namespace

void write_ch_par(const WrittenBasin& b, Run& run) {
    if (!b.par) return;
    Console& con = run.con;
    R2cWriter file(kValuesPerLine);
    if (!file.open("new_ch_par.r2c")) cannot_write(con);
    write_header(b, file);

    // The cell each written square holds: the cells that drain into the
    // written watershed (old numbers 1..naa); its receiving cells and the
    // squares outside it stay 0.
    const Network& net = b.net;
    auto cell_at = [&](int i, int j) {
        const int number = b.shed.rank(i, j);
        if (number < 1 || number > b.shed.in_basin()) return 0;
        const int n = net.rank(i, j);
        return n <= net.naa ? n : 0;
    };
    const Span span = out::written_span(b.shed.window);
    int frame = 0;
    for (const Block& blk : kBlocks) {
        const std::vector<float>& values = b.par->per_cell[static_cast<std::size_t>(blk.per_cell)];
        file.block(span, blk.field, [&](int i, int j) {
            const int n = cell_at(i, j);
            return n > 0 && static_cast<std::size_t>(n) < values.size() ? values[static_cast<std::size_t>(n)] : 0.0f;
        });
        con.line(" frame= ", ++frame, " written");
    }
    if (!run.outputs.finish(file.file())) cannot_write(con);
    con.say("new_ch_par.r2c written");
    con.say();
}
