#include "mapfile/land_cover.hpp"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <new>

#include "common/console.hpp"
#include "common/output_file.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "mapfile/map_input.hpp"
#include "mapfile/map_support.hpp"

namespace {

constexpr std::size_t kNameLength = 20;

std::string two_numbers(int a, int b) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%10d %10d", a, b);
    return buf;
}

void allocate_classes(const MapHeader& hdr, std::vector<Grid<float>>& classes, int count,
                      double bytes_already_held, const char* failure) {
    double bytes = bytes_already_held + basin_grid_bytes(hdr.ycount, hdr.xcount, count);
    if (!fits_in_memory(bytes)) {
        stop_lines({"Not enough memory for " + std::to_string(count) +
                        " land-cover class grids of " + std::to_string(hdr.xcount) + " x " +
                        std::to_string(hdr.ycount) + " squares",
                    failure});
    }
    try {
        classes.assign(static_cast<std::size_t>(count), Grid<float>());
        for (auto& g : classes) g.assign(hdr.ycount, hdr.xcount, 0.0f);
    } catch (const std::bad_alloc&) {
        classes.clear();
        stop_lines({"Not enough memory for the land-cover class grids", failure});
    }
}

// The class names and class blocks of the map file.
void read_class_blocks(TextReader& map, MapInput& g, Run& run) {
    Console& con = run.con;
    MapHeader& hdr = g.hdr;
    con.say("Reading the class names as listed in the attribute list");
    con.say("of the map file:");

    const char* failure = "**Allocation failed  in zel @1197**";
    if (hdr.ntype < 1) {
        // Fewer than two classes: all of every square is class 1.
        hdr.ntype = 1;
        allocate_classes(hdr, g.classes, hdr.ntype + 1, 0, failure);
        g.class_names.assign(static_cast<std::size_t>(hdr.ntype + 1), std::string());
        g.classes[0].fill(100.0f);
    } else {
        allocate_classes(hdr, g.classes, hdr.ntype + 1, 0, failure);
        g.class_names.assign(static_cast<std::size_t>(hdr.ntype + 1), std::string());
        const int rows = hdr.ycount, cols = hdr.xcount;
        std::vector<int> buffer(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
        for (int ii = 1; ii <= hdr.ntype + 1; ++ii) {
            std::string name;
            const Target name_target[] = {as_text(name, kNameLength)};
            ReadStatus st = map.read(name_target);
            if (!st) {
                if (st.code == ReadStatus::end_of_file) {
                    stop_lines({"ios= -1", "premature end of file found in map file",
                                words("looking for class no.", ii),
                                words("no classes found =", ii - 1),
                                words("classcount in the map file header =", hdr.ntype + 1),
                                read_error_detail(map, st, "a class name"),
                                "Program aborted in zel @ 1293"});
                }
                con.say("ios= 1");
                con.say(read_error_detail(map, st, "a class name"));
                con.say("unknown error - program continues");
            }
            name = std::string(rtrim(name));
            g.class_names[static_cast<std::size_t>(ii - 1)] = name;
            con.line("map file class name: ", ii, name);

            Grid<float>& cls = g.classes[static_cast<std::size_t>(ii - 1)];
            RowOverflow overflow;
            // Whole numbers, north row first; each row starts from 0.
            std::fill(buffer.begin(), buffer.end(), 0);
            const auto width = static_cast<std::size_t>(cols);
            map.read_rows<int>(
                static_cast<std::size_t>(rows), width,
                [&](std::size_t p) { return buffer.data() + p * width; },
                [&](std::size_t p, const ReadStatus& rs) {
                    const int row = rows - static_cast<int>(p);
                    if (!rs) {
                        stop_in_block(map, rs,
                                      words(" Problems reading the class % on line", row,
                                            " in class= ", name),
                                      "a whole number", hdr);
                    }
                    overflow.note(rs, static_cast<int>(p) + 1);
                    float* out = cls.row_data(row);
                    const int* in = buffer.data() + p * width;
                    for (int c = 0; c < cols; ++c) out[c] = static_cast<float>(in[c]);
                    return true;
                });
            overflow.report("class " + printable(name), map, cols, run.log, con);
            list_grid(run.log, words(" class # read:  ", ii) + "   " + printable(name), cls, 0);
        }
    }
    con.say("Finished reading the class list in the map file");
    for (int k = 0; k < 3; ++k) run.log_line("map file read in");
}

struct Record {
    int old_class = 0;
    int new_class = 0;
    std::string name;
    std::size_t line = 0;
};

struct Table {
    bool found = false;
    int version = 0;
    std::string file;
    std::vector<Record> records;
    int new_count = 0;
    std::size_t skipped = 0;
};

bool blank_line(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// Old and new class numbers of a record line (the two numbers follow `skip` text fields),
// and the name after them when there is one.
bool parse_record(std::string_view line, int skip, Record& rec) {
    std::string a, b;
    int old_class = INT_MIN, new_class = INT_MIN;
    std::vector<Target> t;
    if (skip >= 1) t.push_back(as_text(a));
    if (skip >= 2) t.push_back(as_text(b));
    t.push_back(as_int(old_class));
    t.push_back(as_int(new_class));
    if (!parse_fields(line, t) || old_class == INT_MIN || new_class == INT_MIN) return false;
    rec.old_class = old_class;
    rec.new_class = new_class;
    std::string name;
    t.push_back(as_text(name, kNameLength));
    if (parse_fields(line, t)) rec.name = std::string(rtrim(name));
    return true;
}

// Class numbers that would fall outside the class storage are refused.
void check_record(const MapHeader& hdr, const Table& table, const Record& rec) {
    const int map_classes = hdr.ntype + 1;
    if (rec.old_class <= map_classes && rec.new_class >= 1 && rec.new_class <= kMaxClasses)
        return;
    std::string why =
        rec.new_class < 1
            ? "new class " + std::to_string(rec.new_class) + " (new classes are numbered from 1)"
        : rec.new_class > kMaxClasses
            ? "new class " + std::to_string(rec.new_class) + " (at most " +
                  std::to_string(kMaxClasses) + " classes can be written)"
            : "old class " + std::to_string(rec.old_class) + " (the map file has " +
                  std::to_string(map_classes) + " classes)";
    stop_lines({"Class number out of range in " + table.file + ": " + why,
                "in file " + table.file + " line " + std::to_string(rec.line), " Program aborted"});
}

// The record lines, after any heading lines. Version 2 records follow two text
// fields and an unreadable one stops the run; version 1 leaves an unreadable
// record out (of both passes alike).
void read_records(const MapHeader& hdr, Run& run, Table& table, TextReader& file, int version) {
    Console& con = run.con;
    table.version = version;
    con.say();
    con.say("Version " + std::to_string(version) + " of the class_combine file found");
    run.log_line("old_class  new_class (assigned)");
    std::string_view line;
    while (file.next_line(line)) {
        if (blank_line(line)) continue;
        Record rec;
        rec.line = file.line_number();
        if (!parse_record(line, version == 2 ? 2 : 0, rec)) {
            if (version == 2) {
                stop_lines({"Error in version 2 class_combine.csv file",
                            "Check there are no blanks in the names",
                            words("Last looked at data line #", table.records.size() + 1), "",
                            "in file class_combine.csv line " + std::to_string(rec.line) + ": \"" +
                                printable(line, 80) + "\"",
                            "ZEL.exe aborted at 1169"});
            }
            ++table.skipped;
            run.log_line("line " + std::to_string(rec.line) + " cannot be read and is skipped: \"" +
                         printable(line, 80) + "\"");
            continue;
        }
        check_record(hdr, table, rec);
        std::string pair = two_numbers(rec.old_class, rec.new_class);
        run.log_line(pair);
        if (version == 2) con.say(pair);
        table.new_count = std::max(table.new_count, rec.new_class);
        table.records.push_back(std::move(rec));
    }
}

void read_version2(const MapHeader& hdr, Run& run, Table& table, TextReader& file) {
    std::string first;
    int version = 0;
    const Target line1[] = {as_text(first), as_int(version)};
    ReadStatus st = file.read(line1);
    if (!st) {
        stop_lines({"Error on first line of the class_combine.csv file",
                    words("values found", first, version),
                    read_error_detail(file, st, "a whole number"),
                    "Progran aborted in zel @ 1410"});
    }
    std::string heading;
    const Target line2[] = {as_text(heading)};
    st = file.read(line2);
    if (!st) {
        stop_lines({"Error on 2nd line of the class_combine.csv file",
                    words("values found", heading), read_error_detail(file, st, "a text"),
                    "Progran aborted in zel @ 1416"});
    }
    if (version != 2) {
        stop_lines({"class_combine.csv is version " + std::to_string(version) +
                        "; only version 2 files can be read (line 1: a text, then 2)",
                    "in file class_combine.csv line 1", " Program aborted"});
    }
    read_records(hdr, run, table, file, 2);
}

Table read_combine_table(const MapHeader& hdr, Run& run) {
    Console& con = run.con;
    Table table;
    for (const char* name : {"class_combine.csv", "class_combine.txt"}) {
        if (!file_exists(name)) continue;
        table.found = true;
        table.file = name;
        std::string text;
        int error = 0;
        if (!read_whole_file(name, text, error)) {
            stop_lines({std::string("The file ") + name + " cannot be read (error " +
                            std::to_string(error) + ")",
                        " Program aborted"});
        }
        TextReader file(std::move(text), name);
        if (table.file == "class_combine.csv") {
            read_version2(hdr, run, table, file);
        } else {
            read_records(hdr, run, table, file, 1);
        }
        con.say();
        con.line("In " + table.file + ":");
        con.line("classes found =", table.records.size(), "new_class_count=", table.new_count);
        if (table.skipped > 0) {
            con.line(table.skipped, "lines of", table.file, "could not be read and were skipped");
        }
        con.say();
        if (table.records.empty()) {
            stop_lines({"The file " + table.file + " holds no class records",
                        "in file " + table.file + ": add the records or remove the file",
                        " Program aborted"});
        }
        break;
    }
    return table;
}

void list_classes(OutputFile& log, const std::string& label,
                  const std::vector<Grid<float>>& classes) {
    for (std::size_t c = 0; c < classes.size(); ++c) {
        list_grid(log, words(label, c + 1), classes[c], 0);
    }
}

void combine(MapInput& g, Run& run, const Table& table) {
    Console& con = run.con;
    MapHeader& hdr = g.hdr;
    std::vector<Grid<float>> combined;
    double held = basin_grid_bytes(hdr.ycount, hdr.xcount, hdr.ntype + 1);
    allocate_classes(hdr, combined, table.new_count, held, "**Allocation failed  in zel @1158**");

    run.log_line("   Classes read:");
    list_classes(run.log, "                            class no", g.classes);
    run.log_line(words("There will be", table.new_count, " classes in the shd file"));

    std::vector<std::string> names(static_cast<std::size_t>(table.new_count));
    for (const Record& rec : table.records) {
        auto to = static_cast<std::size_t>(rec.new_class - 1);
        names[to] = rec.name;
        con.line(rec.old_class, rec.new_class, rec.name);
        if (rec.old_class < 1) continue;  // contributes nothing
        const auto& from = g.classes[static_cast<std::size_t>(rec.old_class - 1)].values();
        auto& into = combined[to].values();
        for (std::size_t k = 0; k < into.size(); ++k) into[k] += from[k];
    }
    g.classes = std::move(combined);
    g.class_names = std::move(names);
    hdr.ntype = table.new_count - 1;

    run.log_line("New class count classes");
    list_classes(run.log, "                         newclass no", g.classes);
}

}  // namespace

void read_classes_and_combine(TextReader& map, MapInput& input, Run& run) {
    Console& con = run.con;
    read_class_blocks(map, input, run);
    Table table = read_combine_table(input.hdr, run);

    con.say("please check this table carefully");
    con.say("Make sure the numbers march up with the table in the ");
    con.say("class_combine.csv file");
    con.say("Warning: / are read as commas so change to _");
    con.say("********************************************");
    con.wait("waiting.....");

    if (table.found) combine(input, run, table);
}
