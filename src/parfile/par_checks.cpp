#include "parfile/par_checks.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "common/console.hpp"
#include "common/free_format.hpp"
#include "common/output_file.hpp"
#include "common/run.hpp"
#include "mapfile/map_input.hpp"
#include "parfile/read_par.hpp"
#include "common/stop.hpp"
#include "common/text.hpp"
#include "common/field_format.hpp"

namespace parfile {
namespace {

// Comparisons are made in single precision, as the values are held.
bool optimisation_run(const ParameterSet& p) {
    return p.ddsflg != 0 || p.numa != 0;
}

void check_infiltration(ParameterSet& p, Console& con) {
    // Every ak first, then every akfs; the water class is skipped.
    const int water = p.classcount - 1;
    for (int c = 1; c <= p.classcount; ++c) {
        if (c != water && p.ak[c] <= 0.0f) {
            con.line("ak(", c, ")<= 0.0");
            stop("program aborted in read_par_parser @ 1195");
        }
    }
    for (int c = 1; c <= p.classcount; ++c) {
        if (c != water && p.akfs[c] <= 0.0f) {
            con.line("akfs(", c, ")<= 0.0");
            stop("program aborted in read_par_parser @ 1201");
        }
    }
}

// One check of the interception multiplier over the classes: a warning per
// class out of range, then (when any) a wait and the stop.
template <class Out, class Warn>
void check_classes_then_stop(const ParameterSet& p, Console& con, Out out_of_range, Warn warn,
                             const char* correct, const char* stop_message) {
    bool bad = false;
    for (int c = 1; c <= p.classcount; ++c) {
        if (!out_of_range(c)) continue;
        con.say("WARNING:");
        warn(c);
        bad = true;
    }
    if (!bad) return;
    con.say(correct);
    con.say();
    con.wait("Hit enter to abort");
    stop(stop_message);
}

void check_fratio(ParameterSet& p, Console& con) {
    check_classes_then_stop(
        p, con, [&](int c) { return p.fratio[c] < 0.01f || p.fratio[c] > 10.0f; },
        [&](int c) {
            con.line("fratio for class", c, "=", p.fratio[c]);
            con.say(" out of range 0.01 - 10.0");
        },
        "Please correct h & fratio values", "Program aborted in read_par_parser @ 1204");
    check_classes_then_stop(
        p, con, [&](int c) { return p.fratiohgh[c] > 10.0f; },
        [&](int c) { con.line("fratiohgh for class", c, " above range 0.01 - 10.0"); },
        "Please correct fratiohgh values", "Program aborted in read_par_parser @ 1219");
    check_classes_then_stop(
        p, con, [&](int c) { return p.fratiolow[c] < 0.01f; },
        [&](int c) {
            con.line("fratiolow for class", c, " below range 0.01 - 10.0");
            con.line("Value =", p.fratiolow[c]);
        },
        "Please correct fratiolow values", "Program aborted in read_par_parser @ 1234");
}

void check_global_factors(ParameterSet& p, Run& run) {
    Console& con = run.con;
    bool pause = false;
    if (p.a7 < 0.5f || p.a7 > 0.99f) {
        con.say(" Value for weighting factor - old vs. new sca value");
        con.say(" a7 not between 0.5-0.99in the par file");
        con.say(" a7=0.50 assumed - matches kvr8 results");
        run.log_line(" ");
        run.log_line(" WARNING - in rdpar");
        run.log_line("Value for weighting factor - old vs. new sca value");
        run.log_line("a7 not between 0.5-0.99in the par file");
        run.log_line("a7=0.50 assumed - matches kvr8 results");
        run.log_line(" ");
        p.a7 = 0.5f;
        pause = true;
    }
    if (p.ddsflg == 1 && p.a3 < 0.0f) {
        con.say("a3 < 0   Must be = or > 0 to use DDS");
        con.say("Please correct the par file");
        con.say("a3=0.05 assumed");
        con.say();
        p.a3 = 0.05f;
    }
    if (p.ddsflg == 1 && p.a4 < 0.0f) {
        con.say("a4 < 0   Must be = or > 0 to use DDS");
        con.say("Please correct the par file");
        con.say();
        p.a4 = 0.03f;
    }
    if (pause) {
        con.say(" Hit enter to accept default & continue");
        con.wait(" Program paused in rdpar @ 480");
    }

    pause = false;
    if (p.a9 > 5.0f || p.a9 < 0.333f) {
        con.say();
        con.say(" a9 (heat deficit / swe ratio outside range 0.333 - 5.0");
        con.say(" a9 = .333 assumed");
        con.say(" If this default value is unsuitable, please");
        con.say(" edit the zelm.par file and enter proper value");
        con.say(" between 0.333 and 5.0");
        con.say();
        p.a9 = 0.333f;
        run.log_line();
        run.log_line();
        run.log_line(" Value for a9 heat deficit to swe outside range");
        run.log_line(field::F(p.a9, 10, 3) + " assumed");
        pause = true;
    }
    if (p.a10 > 3.0f || p.a10 < 0.5f) {
        con.say();
        con.say(" a10 uz discharge exponent outside range 0.5 - 3.0");
        con.say(" a10 = 1.0 assumed");
        con.say(" If this default value is unsuitable, please");
        con.say(" edit the zelm.par file and enter proper value");
        con.say(" between 0.5 and 3.0");
        con.say();
        p.a10 = 1.0f;
        run.log_line();
        run.log_line();
        run.log_line(" Value for a10 uz exponent outside range");
        run.log_line(field::F(p.a10, 10, 3) + " assumed");
        pause = true;
    }
    if (pause) {
        con.say();
        con.say(" To continue with the default value(s) hit enter");
        con.say(" To prevent this message from reoccurring, please enter");
        con.say(" values for a9 and/or a10 in the parameter .par file");
        con.say();
        con.wait("  Program paused in rdpar @ 512");
    }
}

void check_river_classes(ParameterSet& p, Console& con) {
    for (int i = 1; i <= p.nrvr; ++i) {
        if (p.flz[i] < 0.0f) p.flz[i] = 1.0e-31f;
        if (optimisation_run(p)) continue;
        if (p.pwr[i] < 0.1f || p.pwr[i] > 4.0f) {
            con.say();
            con.line("The value of pwr for land cover class ", i);
            con.line("is ", p.pwr[i], " which");
            con.say("is not in the range of 0.1 - 4.0");
            con.say("Please check all values");
            con.say("This msg not printed for DDS & PS runs");
            con.say();
            con.wait("Hit enter to continue with this value (@ 607)");
        }
    }
    for (int i = 1; i <= p.nrvr; ++i) {
        if (p.widep[i] <= 0.0f) {
            con.say("Width/depth ratio must be specified when using");
            con.say("Manning n as the roughness parameter.");
            con.say("Please fix the par file");
            con.say();
            stop("Program aborted in rdpar @ 715");
        }
    }
}

bool starts(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// Only these spellings are recognised; what follows them is dropped.
std::string normalised_name(std::string name, int c, int& glacier_class) {
    if (starts(name, "GLACIER") || starts(name, "glacier") || starts(name, "Glacier") ||
        starts(name, " glacier") || starts(name, " GLACIER") || starts(name, " Glacier"))
        name = padded("glacier", 10);
    if (starts(name, "glacier")) glacier_class = c;
    if (starts(name, "WETLAND") || starts(name, "wetland") || starts(name, "Wetland") ||
        starts(name, " wetland") || starts(name, " WETLAND") || starts(name, " Wetland"))
        name = padded("wetland", 10);
    if (starts(name, "WATER") || starts(name, "water") || starts(name, "Water") ||
        starts(name, " water") || starts(name, " WATER") || starts(name, " Water"))
        name = padded("water", 10);
    return name;
}

void check_classes(ParameterSet& p, Console& con) {
    p.glacier_class = 0;
    for (int c = 1; c <= p.classcount; ++c)
        p.nclass[c] = normalised_name(padded(p.nclass[c], 10), c, p.glacier_class);

    for (int c = 1; c <= p.classcount; ++c) {
        if (p.rec[c] < 0.0f) {
            con.say("the value for rec can not be less than 0.00");
            con.line("class=", c, " value=", p.rec[c]);
            con.say("Please change the value in the par file");
            con.say();
            stop("Program aborted in read_par_parser @ 1040");
        }
    }

    const int water = p.classcount - 1;
    if (p.ak[water] >= 0.0f || p.akfs[water] >= 0.0f) {
        con.say("Error:");
        con.say("Water class not specified");
        con.say("ak and akfs NOT given a -ve value");
        con.line("ak(", water, ") value found =", p.ak[water]);
        con.line("akfs(", water, ") value found =", p.akfs[water]);
        con.say("Please correct the par file");
        con.line("No of classed expected =", p.classcount);
        stop("Program aborted in read_par_parser @ 1514");
    }

    if (p.fmadjust > 0.0f && (p.fmalow == 0.0f || p.fmahigh == 0.0f)) {
        con.line("fmadjust,fmalow,fmahigh/", p.fmadjust, p.fmalow, p.fmahigh);
        con.say("fmadjust is set to 0.0");
        con.say(" because there are no limits set in zelm.par");
        con.say("no");
        con.wait(" hit enter to continue");
        p.fmadjust = 0.0f;
    }

    if (p.fpet[water] <= 0.0f) {
        con.say("WARNING");
        con.line("Value for fpet for water class =", p.fpet[water]);
        con.say("This value is multiplied by the pet for water");
        con.say("so for this value there will be no evaporation");
        con.say("from water bodies");
        con.say("Reasonable values are 0.5-1.0");
        con.say("Please change the par file accordingly");
        con.say();
    }

    for (int c = 1; c <= p.classcount; ++c) {
        if (p.ffcap[c] <= 0.0f) {
            con.line("pwp(", c, ") Permanent Wilting Point set too low.");
            con.line("pwp(", c, ")  Must be > 0.0");
            con.line("pwp(", c, ") set to 0.01");
            con.say();
            p.ffcap[c] = 0.01f;
        }
    }

    for (int c = 1; c <= p.classcount; ++c) {
        if (p.spore[c] <= 0.0f) {
            con.line("spore(", c, ")=", p.spore[c]);
            con.say(" This value can not be .le. 0.0");
            con.say(" Please correct the parameter file");
            con.say();
            stop("Program aborted in rdpar at ~1254");
        }
    }

    if (p.sublimation_mode == 1) {
        for (int c = 1; c <= p.classcount; ++c) {
            if (p.sublim_factor[c] <= 0.75f) continue;
            if (p.numa == 0 && p.ddsflg == 0) {
                con.line("Warning: sublimation factor for class", c);
                con.line("and is given as ", p.sublim_factor[c]);
                con.say("is set too high. Sublim reduced to 0.75");
            }
            p.sublim_factor[c] = 0.75f;
        }
    }
}

void check_interception(ParameterSet& p, Run& run) {
    if (p.tempa3 < 0.0001f) {
        p.tempa3 = 0.0001f;
        run.log_line("WARNING:");
        run.log_line("Temp3 <0.0001  set temp3=0.0001");
        run.log_line();
    }
    for (int c = 1; c <= p.classcount; ++c) {
        float hmax = 0.0f;
        for (int m = 1; m <= 12; ++m) {
            float& h = p.h(m, c);
            h = std::max(h, p.a11);
            hmax = std::max(hmax, h);
        }
        std::string hline = "h(  )", fline = "fpetm";
        for (int m = 1; m <= 12; ++m) {
            // All months 0 (and a11 not above 0): no tall-vegetation factor.
            p.fpetm(m, c) = hmax > 0.0f ? p.ftall[c] * p.h(m, c) / hmax : 0.0f;
            field::put_f(hline, p.h(m, c), 5, 2);
            field::put_f(fline, p.fpetm(m, c), 5, 2);
        }
        run.log_line("hmax " + field::F(hmax, 5, 2));
        run.log_line(hline);
        run.log_line(fline);
    }
    for (int c = 1; c <= p.classcount; ++c)
        for (int m = 1; m <= 12; ++m) p.h(m, c) = std::max(p.h(m, c), 0.01f);
}

void check_recharge_and_flz(ParameterSet& p, Console& con) {
    for (int c = 1; c <= p.classcount; ++c) {
        if (p.ak2[c] > 1.0f) {
            con.say(" AK2(" + field::I(c, 5) + ") =");
            stop(" Please change value for AK2- must be lt 1");
        }
        if (p.ak2fs[c] > 1.0f) {
            con.say(" AK2fs(" + field::I(c, 5) + ") =");
            stop(" Please change value for AK2fs - must be lt 1");
        }
    }
    if (p.river_classes_given) {
        const int n = std::min(p.river_classes, p.nrvr);
        for (int i = 1; i <= n; ++i) {
            if (p.flz[i] <= 0.0f) {
                con.say("In read_par,flz_o(" + field::I(i, 2) + ")=" + field::F(p.flz[i], 12, 7));
                con.say(" wrong parameter value - change flz(i) to +ve value");
            }
        }
    }
}

void ddsflg_override(ParameterSet& p, Console& con) {
    constexpr const char* name = "ddsflg_override.txt";
    if (p.ddsflg < 1 || !file_exists(name)) return;
    std::string text;
    int error = 0;
    int value = 0;
    bool ok = read_whole_file(name, text, error);
    if (ok) {
        TextReader reader(std::move(text), name);
        Target target = as_int(value);
        ok = static_cast<bool>(reader.read({&target, 1}));
    }
    if (!ok) {
        con.say(std::string(name) + " holds no readable integer - ddsflg stays " +
                std::to_string(p.ddsflg));
        return;
    }
    p.ddsflg = value;
    con.say("---------------------------------------------");
    con.say("DDS_flag set to `0` for normal production run");
    con.say();
}

void set_latitude_terms(ParameterSet& p, std::size_t cells, auto latitude_of) {
    p.sin_lat.assign(cells, 0.0f);
    p.cos_lat.assign(cells, 0.0f);
    p.tan_lat.assign(cells, 0.0f);
    for (std::size_t n = 1; n < cells; ++n) {
        const double rad = static_cast<double>(latitude_of(n)) * 3.1416 / 180.0;
        p.sin_lat[n] = static_cast<float>(std::sin(rad));
        p.cos_lat[n] = static_cast<float>(std::cos(rad));
        p.tan_lat[n] = static_cast<float>(std::tan(rad));
    }
}

void latitudes(ParameterSet& p, const ParBasin& basin, Run& run) {
    Console& con = run.con;
    const std::size_t cells = static_cast<std::size_t>(std::max(basin.na, 0)) + 1;
    auto row_of = [&](std::size_t n) {
        return basin.row && n < basin.row->size() ? static_cast<float>((*basin.row)[n]) : 0.0f;
    };
    if (p.flgevp2 == 2.0f) {
        if (p.lat == 0.0f) {
            con.say();
            con.say("You have lat = 0.0  and flgevp2 = 2.0");
            con.say("in the par file");
            con.say("flgevp2 = 2.0 requires a value for the lat");
            con.say("to use original monthly_climate_normals file");
            con.say("the value of lat in the par file must be set as");
            con.say("the mid north-south latitude of the watershed");
            con.say();
            stop("Program aborted in read_par_parser @ L1713");
        }
        const float lat = p.lat;
        set_latitude_terms(p, cells, [&](std::size_t) { return lat; });
    } else if (p.flgevp2 == 4.0f) {
        const MapProjection& proj = basin.hdr->projection;
        con.say(proj.text);
        if ((proj.starts_with_name(Projection::utm) || proj.named(Projection::cartesian)) &&
            p.lat == 0.0f) {
            con.say();
            con.say("lat = 0 in the par file");
            con.say("lat must have the value of the latitude of the");
            con.say("midpoint of the watershed for UTM or Cartesian ");
            con.say("coordinates");
            con.say();
            stop("Program aborted in read_par_parser @ L1739");
        }
        con.say();
        con.say("NEW:   flgevp2 = 4 option");
        con.say("the general mid-basin lat parameter in the par file");
        con.say("will be replaced by the lat for each grid.");
        const float ydelta = basin.hdr->ydelta;
        if (proj.starts_with_name(Projection::latlong)) {
            const float yorigin = basin.hdr->yorigin;
            auto lat_of = [&](std::size_t n) { return yorigin + (row_of(n) - 0.5f) * ydelta; };
            set_latitude_terms(p, cells, lat_of);
            if (cells > 1) p.lat = lat_of(cells - 1);
        } else {
            con.say();
            con.say("NEW <<<<");
            con.say("variable lat is calculated based on the latitude");
            con.line("of the origin given in the par file as", p.lat);
            const float lat0 = p.lat;
            float north = -90.0f;
            auto lat_of = [&](std::size_t n) {
                const float lat = lat0 + (row_of(n) - 0.5f) * ydelta / 111120.0f;
                north = std::max(north, lat);
                return lat;
            };
            set_latitude_terms(p, cells, lat_of);
            con.line("north-most latitude:", north);
            con.say("Please check");
            con.say();
        }
    }
}

}  // namespace

void check_smoothing_distance(const ParameterSet& p, Run& run) {
    Console& con = run.con;
    if (p.smoothdist <= p.radiusinflce * 0.5f) return;
    con.say();
    con.say("WARNING: smoothing dist > radius of influence/2");
    con.say("Likely will lead to problems in PLUVEX.exe");
    con.say("and TOQ.exe");
    con.say("with no data written to file & program hanging");
    con.say("Program continues with ddsflg = 1");
    if (p.ddsflg == 0) con.wait("Pls fix par file (Ctrl C) or hit enter to continue");
}

void check_parameters(ParameterSet& p, const ParBasin& basin, Run& run) {
    Console& con = run.con;
    check_infiltration(p, con);
    check_fratio(p, con);
    check_global_factors(p, run);
    check_river_classes(p, con);
    check_classes(p, con);
    check_interception(p, run);
    check_recharge_and_flz(p, con);
    ddsflg_override(p, con);
    latitudes(p, basin, run);
}

}  // namespace parfile
