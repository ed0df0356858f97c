#include "common/pieces.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

// Pieces come to `use` in order, whatever thread made them, and an exception
// of `make` comes out at its piece after the pieces before it were used.
TEST(Pieces, UsedInOrderAndErrorsAtTheirPiece) {
    std::string all;
    in_order<std::string>(
        200, [](std::size_t p, std::string& s) { s = std::to_string(p) + ","; },
        [&](std::size_t, std::string& s) { all += s; });
    std::string want;
    for (int p = 0; p < 200; ++p) want += std::to_string(p) + ",";
    EXPECT_EQ(all, want);

    std::size_t used = 0;
    EXPECT_THROW(in_order<std::string>(
                     50,
                     [](std::size_t p, std::string&) {
                         if (p == 17) throw std::runtime_error("piece 17");
                     },
                     [&](std::size_t, std::string&) { ++used; }),
                 std::runtime_error);
    EXPECT_EQ(used, 17u);
}

}  // namespace
