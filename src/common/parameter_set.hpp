#pragma once
// All values of the parameter file (filled by the parameter-file parser).
//
// Members carry the keyword's own name (without the colon). Per-class lists
// are indexed by class number 1..classcount and per-river-class lists by river
// class 1..nrvr; index 0 is unused and stays 0. The monthly tables hold 12
// values per class at index 12 * class + (month - 1); the snow depletion
// curves hold 2 points per class at index 2 * class + point (point 0 or 1).
#include <array>
#include <string>
#include <vector>

struct ParameterSet {
    int classcount = 0;  // land-cover classes of the run
    int nrvr = 0;        // river classes of the basin
    // Per-river-class routing values copied onto the cells, in this order:
    // flz pwr r1n r2n mndr aa2 aa3 aa4 theta widep kcond pool rlake.
    // Each vector is indexed by cell number (index 0 unused).
    std::array<std::vector<float>, 13> per_cell;

    // '#' lines before the :GlobalParameters marker (72 characters kept, at most 100).
    std::vector<std::string> comments;

    // --- GlobalParameters ---
    int iopt = 0, itype = 0, itrace = 0;
    float a1 = 0, a2 = 0, a3 = 0, a4 = 0, a5 = 0, a6 = 0, a7 = 0, a8 = 0, a9 = 0, a10 = 0, a11 = 0,
          a12 = 0;
    float fmadjust = 0, fmalow = 0, fmahigh = 0, gladjust = 0;
    float rlapse = 0, tlapse = 0, elvref = 0, rainsnowtemp = 0, radiusinflce = 0, smoothdist = 0;
    float flgevp2 = 0, albe = 0, tempa2 = 0, tempa3 = 0, tton = 0, lat = 0;
    float chnl1 = 0, chnl2 = 0, chnl3 = 0, chnl4 = 0, chnl5 = 0;  // :chnl(1) .. :chnl(5)

    // --- RoutingParameters (per river class) ---
    int river_classes = 0;             // :RiverClasses as given in the file
    bool river_classes_given = false;  // the file had a :RiverClasses line
    std::vector<std::string> rivtype;  // river class names, 10 characters
    std::vector<float> flz, pwr, r1n, r2n, mndr, aa2, aa3, aa4, theta, widep, kcond, pool, rlake;

    // --- HydrologicalParameters (per land-cover class) ---
    int land_cover_classes = 0;  // :LandCoverClasses as given in the file
    bool land_cover_classes_given = false;
    std::vector<std::string> nclass;  // class names, 10 characters
    std::vector<float> ds, dsfs, rec, ak, akfs, retn, ak2, ak2fs, r3, r3fs, r4, fpet, ftall, flint,
        fcap, ffcap, spore, fratio;

    // --- SnowParameters (per land-cover class) ---
    std::vector<float> fm, base, fmn, uadj, tipm, rho, whcl, alb, sublim_factor, sublim_rate,
        snocap;
    std::vector<int> idump, nsdc;
    std::vector<float> sdcsca, sdcd;  // depletion curves: area ratio and swe, 2 points per class
    int sublimation_mode = 0;         // 1 = factor, 2 = rate, 0 = neither given
    int glacier_class = 0;            // last class named "glacier", 0 when none

    // --- Monthly tables (12 per class) ---
    std::vector<float> intcap;      // interception capacity, mm
    std::vector<float> monthly_et;  // evapotranspiration, mm
    std::vector<float> fpetmon;     // tall-vegetation evaporation factor, from intcap

    // --- OptimizationSwitches ---
    int numa = 0, nper = 0, kc = 0, maxn = 0, ddsflg = 0, errflg = 0;

    // --- Limits: optimisation step (dlt), lower (low) and upper (hgh) limits ---
    float a5dlt = 0, a5low = 0, a5hgh = 0;
    std::vector<float> akdlt, aklow, akhgh, akfsdlt, akfslow, akfshgh, recdlt, reclow, rechgh,
        r3dlt, r3low, r3hgh, fpetdlt, fpetlow, fpethgh, ftalldlt, ftalllow, ftallhgh, fratiodlt,
        fratiolow, fratiohgh, retndlt, retnlow, retnhgh, ak2dlt, ak2low, ak2hgh, ak2fsdlt, ak2fslow,
        ak2fshgh;
    float fmadjustdlt = 0, fmadjustlow = 0, fmadjusthgh = 0, fmalowdlt = 0, fmalowlow = 0,
          fmalowhgh = 0, fmahighdlt = 0, fmahighlow = 0, fmahighhgh = 0, gladjustdlt = 0,
          gladjustlow = 0, gladjusthgh = 0;
    std::vector<float> fmdlt, fmlow, fmhgh, basedlt, baselow, basehgh, subdlt, sublow, subhgh;
    std::vector<float> flzdlt, flzlow, flzhgh, pwrdlt, pwrlow, pwrhgh, r2ndlt, r2nlow, r2nhgh,
        thetadlt, thetalow, thetahgh, kconddlt, kcondlow, kcondhgh, rlakedlt, rlakelow, rlakehgh;
    float rlapsedlt = 0, rlapselow = 0, rlapsehgh = 0, tlapsedlt = 0, tlapselow = 0, tlapsehgh = 0,
          radinfldlt = 0, radinfllow = 0, radinflhgh = 0, smoothdisdlt = 0, smoothdislow = 0,
          smoothdishgh = 0;

    // --- Per-cell latitude terms (cells 1..na), for evaporation method 2 or 4 ---
    std::vector<float> sin_lat, cos_lat, tan_lat;

    float& h(int month, int cls) { return intcap[12 * cls + month - 1]; }
    float& et(int month, int cls) { return monthly_et[12 * cls + month - 1]; }
    float& fpetm(int month, int cls) { return fpetmon[12 * cls + month - 1]; }
};
