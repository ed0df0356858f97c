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

struct Block {
    const char* attribute;  // header line, padded to 30
    int per_cell;           // index into ParameterSet::per_cell
    out::FloatField::Kind kind;
    int w, d;
};

const Block kBlocks[] = {
    {":AttributeName 1 Flz", 0, out::FloatField::e, 10, 3},
    {":AttributeName 2 Pwr", 1, out::FloatField::f, 5, 3},
    {":AttributeName 3 R1n", 2, out::FloatField::f, 5, 3},
    {":AttributeName 4 R2n", 3, out::FloatField::f, 5, 3},
    {":AttributeName 5 mndr", 4, out::FloatField::f, 5, 1},
    {":AttributeName 6 aa2", 5, out::FloatField::f, 10, 5},
    {":AttributeName 7 aa3", 6, out::FloatField::f, 10, 5},
    {":AttributeName 8 aa4", 7, out::FloatField::f, 10, 5},
    {":AttributeName 9 theta", 8, out::FloatField::f, 5, 3},
    {":AttributeName 10 widep", 9, out::FloatField::f, 5, 0},
    {":AttributeName 11 kcond", 10, out::FloatField::f, 5, 3},
};

void write_header(const Run& run, const out::Span& span, OutputFile& f) {
    using out::key20;
    const MapHeader& h = run.hdr;
    const int n_kept = out::cells_kept(run);
    out::r2c_opening(f);
    f.line(":Application                    TALVIREN");
    f.line(padded(":Version                 2.1.23", 40));
    f.line(key20(":WrittenBy") +
           field::A(run.dem_done ? "talviren/zel" : run.answers.initials, 40));
    f.line(key20(":CreationDate") + out::creation_date());
    f.line(out::hash40());
    f.line("#---------------------------------------");
    f.line(key20(":SourceFileName") + field::A(run.fln[2], 40));
    f.line(":NominalGridSize_AL " + field::F(run.al, 12, 3));
    f.line(":ContourInterval    " + field::F(h.cintv, 12, 3));
    f.line(":ImperviousArea     " + field::F(h.aimpr, 12, 3));
    f.line(":ClassCount         " + field::I(0, 12));
    f.line(":NumRiverClasses    " + field::I(run.nrvr, 12));
    f.line(":ElevConversion     " + field::F(h.elvconv, 12, 3));
    f.line(":TotalNumOfGrids    " + field::I(n_kept, 12));
    f.line(":numGridsInBasin    " + field::I(out::cells_in_basin(run), 12));
    f.line(":DebugGridNo        " + field::I(run.na / 2, 12));
    f.line(out::hash40());
    f.line(out::hash40());
    f.line(key20(":Projection") + field::A(h.projection, 10));
    if (h.projection == "UTM") f.line(key20(":Zone") + field::A(h.zone, 10));
    f.line(key20(":Ellipsoid") + field::A(h.datum1, 10));
    f.line(out::hash40());
    f.line(key20(":xOrigin") + field::F(span.xorigin, 15, 5));
    f.line(key20(":yOrigin") + field::F(span.yorigin, 15, 5));
    f.line(out::hash40());
    for (const Block& b : kBlocks) f.line(padded(b.attribute, 30));
    f.line(padded("#          5", 40));
    f.line(key20(":xCount") + field::I(span.cols, 12));
    f.line(key20(":yCount") + field::I(span.rows, 12));
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

void write_ch_par(Run& run, Console& con) {
    if (!run.par_read) return;
    OutputFile file;
    if (!file.open("new_ch_par.r2c")) cannot_write(con);
    const out::Span span = out::written_span(run);
    write_header(run, span, file);

    // Which cell each written square holds: the cells that drain into the
    // written watershed; its receiving cells and the squares outside it
    // (removed cells included) stay 0.
    const int rows = span.rows, cols = span.cols;
    const int in_basin = out::cells_in_basin(run);
    std::vector<int> cell_at(static_cast<std::size_t>(rows) * cols, 0);
    const int last = std::min<int>(
        run.naa, static_cast<int>(std::min(run.cells.row.size(), run.cells.col.size())) - 1);
    for (int n = 1; n <= last; ++n) {
        const int i = run.cells.row[n], j = run.cells.col[n];
        const int r = i - span.row0, c = j - span.col0;
        if (r < 0 || r >= rows || c < 0 || c >= cols) continue;
        const int number = run.grid.rank.at_or(i, j, 0);
        if (number >= 1 && number <= in_basin) cell_at[static_cast<std::size_t>(r) * cols + c] = n;
    }

    int frame = 0;
    for (const Block& b : kBlocks) {
        const std::vector<float>& values = run.par.per_cell[b.per_cell];
        out::FloatField fmt(b.kind, b.w, b.d, true);
        out::write_block(file, span, kValuesPerLine, [&](std::string& buf, int i, int j) {
            const int n = cell_at[static_cast<std::size_t>(i - span.row0) * cols + (j - span.col0)];
            fmt.put(buf, n > 0 && static_cast<std::size_t>(n) < values.size() ? values[n] : 0.0f);
        });
        con.line(" frame= ", ++frame, " written");
    }
    if (!file.commit()) cannot_write(con);
    con.say("new_ch_par.r2c written");
    con.say();
}
