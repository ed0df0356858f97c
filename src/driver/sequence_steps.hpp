#pragma once
// Pieces of the driver's own steps that are worth testing on their own.
#include <string>
#include <string_view>

// A file name split at its last ".": the base name includes the ".", the
// extension is the next three characters (blank-padded), and `length` is the
// position of the extension's last character. A name without "." has a blank
// extension and its own length.
struct SplitName {
    std::string base;
    std::string ext;
    int length = 0;
};
SplitName split_file_name(std::string_view name);
