#include "parfile/keyword_tables.hpp"

namespace parfile {
namespace {

template <class M>
Keyword kw(std::string_view match, M member, Action action = Action::none) {
    return {match, match.size(), Dest{member}, action};
}
// Row `month` (1..12) of a monthly table.
Keyword month(std::string_view match, std::vector<float> P::*table, int m) {
    return {match, match.size(), Dest{table, 12, m - 1}};
}

const Keyword kGlobalKeys[] = {
    kw(":iopt", &P::iopt),
    kw(":itype", &P::itype),
    kw(":itrace", &P::itrace),
    kw(":a1,", &P::a1),
    kw(":a2,", &P::a2),
    kw(":a3,", &P::a3),
    kw(":a4,", &P::a4),
    kw(":a5,", &P::a5),
    kw(":a6,", &P::a6),
    kw(":a7,", &P::a7),
    kw(":a8,", &P::a8),
    kw(":a9,", &P::a9),
    kw(":a10", &P::a10),
    kw(":a11", &P::a11),
    kw(":a12", &P::a12),
    kw(":fmadjust", &P::fmadjust),
    kw(":fmalow", &P::fmalow),
    kw(":fmahigh", &P::fmahigh),
    kw(":gladjust", &P::gladjust),
    kw(":rlapse", &P::rlapse),
    kw(":tlapse", &P::tlapse),
    kw(":elvref", &P::elvref),
    kw(":rainsnowtemp", &P::rainsnowtemp),
    kw(":radiusinflce", &P::radiusinflce),
    kw(":smoothdist", &P::smoothdist),
    kw(":flgevp2", &P::flgevp2),
    kw(":albe", &P::albe),
    kw(":tempa2", &P::tempa2),
    kw(":tempa3", &P::tempa3),
    kw(":tton", &P::tton),
    kw(":lat", &P::lat),
    kw(":chnl(1)", &P::chnl1),
    kw(":chnl(2)", &P::chnl2),
    kw(":chnl(3)", &P::chnl3),
    kw(":chnl(4)", &P::chnl4),
    kw(":chnl(5)", &P::chnl5),
};

const Keyword kRoutingKeys[] = {
    kw(":RiverClasses", &P::river_classes, Action::river_classes),
    kw(":RiverClassName", &P::rivtype),
    kw(":flz", &P::flz),
    kw(":pwr", &P::pwr),
    kw(":r1n", &P::r1n),
    kw(":r2n", &P::r2n),
    kw(":mndr", &P::mndr),
    kw(":aa2", &P::aa2),
    kw(":aa3", &P::aa3),
    kw(":aa4", &P::aa4),
    kw(":theta", &P::theta),
    kw(":widep", &P::widep),
    kw(":kcond", &P::kcond),
    kw(":pool", &P::pool),
    kw(":rlake", &P::rlake),
};

const Keyword kHydroKeys[] = {
    kw(":LandCoverClasses", &P::land_cover_classes, Action::land_cover_classes),
    kw(":ClassName", &P::nclass),
    kw(":ds,", &P::ds),
    kw(":dsfs", &P::dsfs),
    kw(":rec", &P::rec),
    kw(":ak,", &P::ak),
    kw(":akfs", &P::akfs),
    kw(":retn", &P::retn),
    kw(":ak2,", &P::ak2),
    kw(":ak2fs", &P::ak2fs),
    kw(":r3,", &P::r3),
    kw(":r3fs", &P::r3fs),
    kw(":r4", &P::r4),
    kw(":fpet", &P::fpet),
    kw(":ftall", &P::ftall),
    kw(":flint", &P::flint),
    kw(":fcap", &P::fcap),
    kw(":ffcap", &P::ffcap),
    kw(":spore", &P::spore),
    kw(":fratio", &P::fratio),
};

const Keyword kSnowKeys[] = {
    kw(":fm,", &P::fm),
    kw(":base", &P::base),
    kw(":fmn", &P::fmn),
    kw(":uadj", &P::uadj),
    kw(":tipm", &P::tipm),
    kw(":rho", &P::rho),
    kw(":whcl", &P::whcl),
    kw(":alb", &P::alb),
    kw(":sublim_factor", &P::sublim_factor, Action::sublim_factor),
    kw(":sublim_rate", &P::sublim_rate, Action::sublim_rate),
    kw(":idump", &P::idump),
    kw(":snocap", &P::snocap),
    kw(":nsdc", &P::nsdc),
    // The file gives the second point of each curve; the first is (0, 0).
    {":sdcsca", 7, Dest{&P::sdcsca, 2, 1}},
    {":sdcd", 5, Dest{&P::sdcd, 2, 1}},
};

const Keyword kInterceptionKeys[] = {
    month(":IntCap_Jan", &P::intcap, 1),  month(":IntCap_Feb", &P::intcap, 2),
    month(":IntCap_Mar", &P::intcap, 3),  month(":IntCap_Apr", &P::intcap, 4),
    month(":IntCap_May", &P::intcap, 5),  month(":IntCap_Jun", &P::intcap, 6),
    month(":IntCap_Jul", &P::intcap, 7),  month(":IntCap_Aug", &P::intcap, 8),
    month(":IntCap_Sep", &P::intcap, 9),  month(":IntCap_Oct", &P::intcap, 10),
    month(":IntCap_Nov", &P::intcap, 11), month(":IntCap_Dec", &P::intcap, 12),
};

// "Montly" is the file's own spelling.
const Keyword kMonthlyEvapKeys[] = {
    month(":Montly_ET_Jan", &P::monthly_et, 1),  month(":Montly_ET_Feb", &P::monthly_et, 2),
    month(":Montly_ET_Mar", &P::monthly_et, 3),  month(":Montly_ET_Apr", &P::monthly_et, 4),
    month(":Montly_ET_May", &P::monthly_et, 5),  month(":Montly_ET_Jun", &P::monthly_et, 6),
    month(":Montly_ET_Jul", &P::monthly_et, 7),  month(":Montly_ET_Aug", &P::monthly_et, 8),
    month(":Montly_ET_Sep", &P::monthly_et, 9),  month(":Montly_ET_Oct", &P::monthly_et, 10),
    month(":Montly_ET_Nov", &P::monthly_et, 11), month(":Montly_ET_Dec", &P::monthly_et, 12),
};

const Keyword kOptimizationKeys[] = {
    kw(":numa", &P::numa), kw(":nper", &P::nper),     kw(":kc", &P::kc),
    kw(":maxn", &P::maxn), kw(":ddsflg", &P::ddsflg), kw(":errflg", &P::errflg),
};

const Keyword kApiLimitKeys[] = {
    kw(":a5dlt", &P::a5dlt),
    kw(":a5low", &P::a5low),
    kw(":a5hgh", &P::a5hgh),
};

const Keyword kHydroLimitKeys[] = {
    kw(":akdlt", &P::akdlt),
    kw(":aklow", &P::aklow),
    kw(":akhgh", &P::akhgh),
    kw(":akfsdlt", &P::akfsdlt),
    kw(":akfslow", &P::akfslow),
    kw(":akfshgh", &P::akfshgh),
    kw(":recdlt", &P::recdlt),
    kw(":reclow", &P::reclow),
    kw(":rechgh", &P::rechgh),
    kw(":r3dlt", &P::r3dlt),
    kw(":r3low", &P::r3low),
    kw(":r3hgh", &P::r3hgh),
    kw(":fpetdlt", &P::fpetdlt),
    kw(":fpetlow", &P::fpetlow),
    kw(":fpethgh", &P::fpethgh),
    kw(":ftalldlt", &P::ftalldlt),
    kw(":ftalllow", &P::ftalllow),
    kw(":ftallhgh", &P::ftallhgh),
    kw(":fratiodlt", &P::fratiodlt),
    kw(":fratiolow", &P::fratiolow),
    kw(":fratiohgh", &P::fratiohgh),
    kw(":retndlt", &P::retndlt),
    kw(":retnlow", &P::retnlow),
    kw(":retnhgh", &P::retnhgh),
    kw(":ak2dlt", &P::ak2dlt),
    kw(":ak2low", &P::ak2low),
    kw(":ak2hgh", &P::ak2hgh),
    kw(":ak2fsdlt", &P::ak2fsdlt),
    kw(":ak2fslow", &P::ak2fslow),
    kw(":ak2fshgh", &P::ak2fshgh),
    // Older name of the ak2fs limits.
    kw(":ak2scdlt", &P::ak2fsdlt),
    kw(":ak2schgh", &P::ak2fshgh),
};

const Keyword kGlobalSnowLimitKeys[] = {
    kw(":fmadjustdlt", &P::fmadjustdlt), kw(":fmadjustlow", &P::fmadjustlow),
    kw(":fmadjusthgh", &P::fmadjusthgh), kw(":fmalowdlt", &P::fmalowdlt),
    kw(":fmalowlow", &P::fmalowlow),     kw(":fmalowhgh", &P::fmalowhgh),
    kw(":fmahighdlt", &P::fmahighdlt),   kw(":fmahighlow", &P::fmahighlow),
    kw(":fmahighhgh", &P::fmahighhgh),   kw(":gladjustdlt", &P::gladjustdlt),
    kw(":gladjustlow", &P::gladjustlow), kw(":gladjusthgh", &P::gladjusthgh),
};

const Keyword kSnowLimitKeys[] = {
    kw(":fmdlt", &P::fmdlt),     kw(":fmlow", &P::fmlow),     kw(":fmhgh", &P::fmhgh),
    kw(":basedlt", &P::basedlt), kw(":baselow", &P::baselow), kw(":basehgh", &P::basehgh),
    kw(":subdlt", &P::subdlt),   kw(":sublow", &P::sublow),   kw(":subhgh", &P::subhgh),
};

const Keyword kRoutingLimitKeys[] = {
    kw(":flzdlt", &P::flzdlt),     kw(":flzlow", &P::flzlow),     kw(":flzhgh", &P::flzhgh),
    kw(":pwrdlt", &P::pwrdlt),     kw(":pwrlow", &P::pwrlow),     kw(":pwrhgh", &P::pwrhgh),
    kw(":r2ndlt", &P::r2ndlt),     kw(":r2nlow", &P::r2nlow),     kw(":r2nhgh", &P::r2nhgh),
    kw(":thetadlt", &P::thetadlt), kw(":thetalow", &P::thetalow), kw(":thetahgh", &P::thetahgh),
    kw(":kconddlt", &P::kconddlt), kw(":kcondlow", &P::kcondlow), kw(":kcondhgh", &P::kcondhgh),
    kw(":rlakedlt", &P::rlakedlt), kw(":rlakelow", &P::rlakelow), kw(":rlakehgh", &P::rlakehgh),
};

const Keyword kGlobalLimitKeys[] = {
    kw(":rlapsedlt", &P::rlapsedlt),       kw(":rlapselow", &P::rlapselow),
    kw(":rlapsehgh", &P::rlapsehgh),       kw(":tlapsedlt", &P::tlapsedlt),
    kw(":tlapselow", &P::tlapselow),       kw(":tlapsehgh", &P::tlapsehgh),
    kw(":radinfldlt", &P::radinfldlt),     kw(":radinfllow", &P::radinfllow),
    kw(":radinflhgh", &P::radinflhgh),     kw(":smoothdisdlt", &P::smoothdisdlt),
    kw(":smoothdislow", &P::smoothdislow), kw(":smoothdishgh", &P::smoothdishgh),
};

const Section kSections[kSectionCount] = {
    {":GlobalParameters", ":EndGlobalParameters", PerLine::one, kGlobalKeys,
     "error in :GlobalParameters", "Program aborted in read_par_parser @ 322"},
    {":RoutingParameters", ":EndRoutingParameters", PerLine::per_river, kRoutingKeys,
     "error in :RoutingParameters", "Program aborted in read_par_parser @ 356"},
    {":HydrologicalParam", ":EndHydrologicalParam", PerLine::per_class, kHydroKeys,
     "error in :HydrologicalParameters", "Program aborted in read_par_parser @ 401"},
    {":SnowParameters", ":EndSnowParameters", PerLine::per_class, kSnowKeys,
     "error in :SnowParameters", "Program aborted in read_par_parser @ 436"},
    {":InterceptionCapacity", ":EndInterceptionCapacity", PerLine::per_class, kInterceptionKeys,
     "error in :InterceptionParameterTable", "Program aborted in read_par_parser @ 509"},
    {":MonthlyEvap", ":EndMonthlyEvap", PerLine::per_class, kMonthlyEvapKeys,
     "error in :MonthlyEvaporatioTabble", "Program aborted in read_par_parser @ 593"},
    {":OptimizationSwitches", ":EndOptimizationSwitches", PerLine::one, kOptimizationKeys,
     "error in :OptimizationSwitches", "Program aborted in read_par_parser @ 610"},
    {":APILimits", ":EndAPILimits", PerLine::one, kApiLimitKeys, "", ""},
    {":HydrologicalParLimits", ":EndHydrologicalParLimits", PerLine::per_class, kHydroLimitKeys,
     "error in HydrologicalParLimits", "Program aborted in read_par_parser @ 685"},
    {":GlobalSnowParLimits", ":EndGlobalSnowParLimits", PerLine::one, kGlobalSnowLimitKeys,
     "error in GlobalSnowParLinmits", "Program aborted in read_par_parser @ 720"},
    {":SnowParLimits", ":EndSnowParLimits", PerLine::per_class, kSnowLimitKeys,
     "error in SnowParLimits", "Program aborted in read_par_parser @ 749"},
    {":RoutingParLimits", ":EndRoutingParLimits", PerLine::per_river, kRoutingLimitKeys,
     "error in RoutingParLimits ", "Program aborted in read_par_parser @ 797"},
    {":GlobalParLimits", ":EndGlobalParLimits", PerLine::one, kGlobalLimitKeys,
     "error in GlobalParLimits ", "Program aborted in read_par_parser @ 833"},
};

}  // namespace

std::span<const Section> sections() {
    return kSections;
}

}  // namespace parfile
