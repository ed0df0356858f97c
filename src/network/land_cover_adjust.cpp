#include "network/land_cover_adjust.hpp"

#include <algorithm>

#include "common/console.hpp"
#include "common/pieces.hpp"
#include "common/free_format.hpp"
#include "common/run.hpp"
#include "mapfile/map_input.hpp"
#include "common/stop.hpp"
#include "common/field_format.hpp"
#include "ensim/r2s_reader_header.hpp"

namespace {

// A square is all water from this water fraction up.
constexpr float kAllWater = 0.99999f;
// The default bankfull value: DA / 6 + 0.1 (DA in km2).
constexpr float kBankfullPerKm2 = 6.0f;
constexpr float kBankfullBase = 0.1f;

// Only the share aimpr of the urban (last) class stays impervious; the rest
// goes to class 1.
void impervious_share(LandCover& cover, float aimpr, Console& con) {
    const int ntype = cover.ntype();
    const float a = aimpr / 100.0f;
    if (!(a > 0)) return;
    auto& classes = cover.classes;
    if (ntype >= 1) {
        auto& c1 = classes[0].values();
        auto& urban = classes[static_cast<std::size_t>(ntype)].values();
        for (std::size_t k = 0; k < c1.size(); ++k) {
            c1[k] += (1.0f - a) * urban[k];
            urban[k] = a * urban[k];
        }
    }
    con.say("Note:    impervious area > 0 in the header");
    con.line(static_cast<int>((1.0f - a) * 100.0f), "% of the impervious class (urban)");
    con.line("has been subtracted from class", ntype + 1);
    con.say("and added to class 1");
    con.say("Class 1 should be a land cover compatible with");
    con.say("the pervious areas in urban areas (eg. grass)");
}

void wetland_split(LandCover& cover, float split, char option, const MapInput& input,
                   const Network& net, Run& run) {
    Console& con = run.con;
    con.say();
    con.say("NEW  June 22/11");
    con.say("Wetland split options:");
    con.say("Option 1: Old way - split % of wetland - 1% minimum");
    con.say("Option 2: New way - split % =  max % wetland coupled");
    con.say("                  - wetland >  split % not coupled");
    con.say("                  - wetland <= split % all coupled");
    con.say();
    con.say(std::string("You have entered ") + option);
    if (option != '1' && option != '2') {
        con.say("invaled answer");
        con.say("default =2 assumed");
        option = '2';
        con.wait("Hit enter to continue with this entry");
    }

    auto& classes = cover.classes;
    auto& names = cover.class_names;
    const int w = cover.ntype() - 1;  // wetland class number
    if (w < 1) {
        stop_lines(
            {"A wetland split needs at least 3 land cover classes (wetland, water and",
             "impervious, the last three); the map file has " + std::to_string(cover.ntype() + 1),
             " Program aborted"});
    }
    // Coupled wetland goes in right after the wetland class; water and
    // impervious move up one class number.
    classes.insert(classes.begin() + w, classes[static_cast<std::size_t>(w - 1)]);
    if (names.size() >= static_cast<std::size_t>(w))
        names.insert(names.begin() + w, names[static_cast<std::size_t>(w - 1)]);

    Grid<float>& uncoupled = classes[static_cast<std::size_t>(w - 1)];
    Grid<float>& coupled = classes[static_cast<std::size_t>(w)];
    Grid<float>& water = classes[static_cast<std::size_t>(w + 1)];
    const Grid<int>& reach = input.reach;
    const Grid<int>& rank = net.rank;
    // The uncoupled and coupled shares of a wetland share W.
    struct Shares {
        float unc, cou;
    };
    auto shares = [&](float wet) -> Shares {
        if (option == '1') {
            if (split * wet < 0.01f) return {wet, 0.0f};
            return {(1.0f - split) * wet, split * wet};
        }
        const float cou = std::min(split, wet);
        return {std::max(wet - cou, 0.0f), cou};
    };
    // One log line a square, made on the cores from the wetland before the split.
    run.log_line("Wetland stuff:");
    const std::string split_text = num(split);
    const int cols = uncoupled.cols();
    rows_in_order(run.log, static_cast<std::size_t>(uncoupled.rows()),
                  rows_per_piece(static_cast<std::size_t>(cols) * 40),
                  [&](std::size_t first, std::size_t last, std::string& out) {
                      for (std::size_t r = first; r <= last; ++r) {
                          const int i = static_cast<int>(r) + 1;
                          for (int j = 1; j <= cols; ++j) {
                              const Shares s = shares(uncoupled(i, j));
                              out += words(rank(i, j), i, j, split_text, num(s.unc), num(s.cou));
                              out.push_back('\n');
                          }
                      }
                  });
    for (int i = 1; i <= uncoupled.rows(); ++i) {
        for (int j = 1; j <= cols; ++j) {
            const Shares s = shares(uncoupled(i, j));
            uncoupled(i, j) = s.unc;
            coupled(i, j) = s.cou;
            if (reach(i, j) >= 1) {
                water(i, j) += s.cou;
                coupled(i, j) = 0;
            }
        }
    }
    con.say();
    con.line("The value entered for \"split\" =", static_cast<int>(split * 100.0f));
    con.say("Another land cover class was be added to the");
    con.say("new_shd.r2c file");
    con.say("Please ensure that the par & sdc files are modified");
    con.say("to accomodate the extra wetland class");
    run.log_line("Wetland split now incorporated");
}

void log_class_grids(const LandCover& cover, Run& run) {
    const auto& classes = cover.classes;
    for (std::size_t k = 0; k < classes.size(); ++k) {
        const int frame = static_cast<int>(k) + 1;
        run.log_line(words("frame", frame));
        const Grid<float>& g = classes[k];
        const int rows = g.rows();
        rows_in_order(run.log, static_cast<std::size_t>(rows),
                      rows_per_piece(static_cast<std::size_t>(g.cols()) * 7),
                      [&](std::size_t first, std::size_t last, std::string& buf) {
                          for (std::size_t pos = first; pos <= last; ++pos) {
                              const float* v = g.row_data(rows - static_cast<int>(pos));
                              for (int j = 0; j < g.cols(); ++j) {
                                  buf.push_back(' ');
                                  field::put_f(buf, v[j], 6, 3);
                              }
                              buf.push_back('\n');
                          }
                      });
        run.log_line(words("frame=", frame, "written to zel_info"));
    }
}

// A square that is all water needs a reach number; without one it becomes
// 99 % water and 1 % class 1.
void water_repair(LandCover& cover, const Grid<int>& reach, const Network& net, Run& run) {
    Console& con = run.con;
    const int ntype = cover.ntype();
    if (ntype < 2) return;  // the water class would be class 1 itself
    auto& classes = cover.classes;
    Grid<float>& class1 = classes[0];
    Grid<float>& water = classes[static_cast<std::size_t>(ntype - 1)];
    int count = 0;
    for (int n = 1; n <= net.na; ++n) {
        const int i = net.row[static_cast<std::size_t>(n)];
        const int j = net.col[static_cast<std::size_t>(n)];
        if (!(water(i, j) >= kAllWater) || reach(i, j) != 0)
            continue;
        if (count == 0) {
            con.say("A grid with 100% water has not been assigned ");
            con.say("a reach number. Program will crash if you try");
            con.say("to use a resume file");
            run.log_line("A grid with 100% water has not been assigned");
            run.log_line("(a) reach number. Program will crash ");
            run.log_line("if you try to use a resume file");
            con.wait("Hit enter to continue but you have been warned");
        }
        ++count;
        std::string line = words("grid,row,col", n, i, j);
        run.log_line(line);
        con.say(line);
        class1(i, j) = 0.01f;
        water(i, j) = 0.99f;
    }
    if (count > 0) {
        con.line(count, " grid(s) with 100% water has(ve)");
        con.say(" not been assigned ");
        con.say("a reach number(s). The water class has been changed");
        con.say("99% and class 1 has been changed to 1%");
        con.wait("Hit enter to continue but you have been warned AGAIN!");
    }
}

// The optional last block of the map file, or DA / 6 + 0.1 where it is absent.
Grid<float> bankfull(TextReader& map, const Network& net, Run& run) {
    Console& con = run.con;
    const int ny = net.rank.rows(), nx = net.rank.cols();
    Grid<float> bank(ny, nx, 0.0f);
    run.log_line("passed line 1411");

    std::string_view heading;
    ReadStatus status;
    if (!map.next_line(heading)) {
        status.code = ReadStatus::end_of_file;
        status.line = map.line_number();
    } else {
        heading = heading.substr(0, 80);
        con.say(heading);
        run.log_line(heading);
        // A block that breaks off anywhere is not used at all.
        for (int i = ny; i >= 1 && status; --i)
            status = map.read_reals(bank.row_data(i), static_cast<std::size_t>(nx));
    }
    run.log_line("passed line 1424");

    if (!status) {
        con.line("ios=", status.code == ReadStatus::bad_value ? 1 : -1);
        if (status.code == ReadStatus::bad_value)
            con.say(map.name() + " line " + std::to_string(status.line) + ": the value \"" +
                    status.text + "\" in the bankfull block is not a number");
        con.say();
        con.say(" No bankfull values found");
        con.say(" Default assumed");
        // Bankfull = DA / 6 + 0.1 (DA in km2).
        const Grid<float>& da = net.da;
        for (int i = 1; i <= ny; ++i)
            for (int j = 1; j <= nx; ++j) bank(i, j) = da(i, j) / kBankfullPerKm2 + kBankfullBase;
    } else {
        con.say();
        con.say("Bankfull values found & will be used");
        con.say("Most people do not produce these values");
        con.say("Did you?   Just checking.");
        con.say();
        con.wait("Hit enter to continue");
    }
    run.log_line("passed line 1447");
    return bank;
}

}  // namespace

LandCover adjust_land_cover(MapInput& input, TextReader& map, const Network& net,
                            char split_type, Run& run) {
    LandCover cover;
    cover.classes = std::move(input.classes);
    cover.class_names = std::move(input.class_names);
    auto& classes = cover.classes;
    if (classes.size() != static_cast<std::size_t>(input.hdr.ntype) + 1 || classes.empty()) {
        stop("Programming error: " + std::to_string(classes.size()) +
             " land cover grids held for " + std::to_string(input.hdr.ntype + 1) + " classes");
    }
    // The map reader keeps percentages; from here on classes are fractions.
    for (auto& g : classes)
        for (float& v : g.values()) v /= 100.0f;

    impervious_share(cover, input.hdr.aimpr, run.con);
    if (input.split > 0) wetland_split(cover, input.split, split_type, input, net, run);
    log_class_grids(cover, run);
    water_repair(cover, input.reach, net, run);
    cover.bankfull = bankfull(map, net, run);
    return cover;
}
