#include "common/output_file.hpp"

#include <gtest/gtest.h>

#include <string>

#include "test_support.hpp"

namespace {

// A file large enough to be handed to the disk stretch by stretch (and let go
// of by the page cache as it grows) reads back byte for byte, whether its text
// came in lines, small pieces or pieces large enough to skip the buffer.
TEST(OutputFile, LargeFileReadsBackWhole) {
    zeltest::WorkFolder folder;
    OutputFile file;
    ASSERT_TRUE(file.open("big.txt"));
    std::string want;
    const std::string large(300000, 'x');
    for (int k = 0; want.size() < (std::size_t{112} << 20); ++k) {
        const std::string line = std::to_string(k) + " a line of text";
        file.line(line);
        want += line + '\n';
        if (k % 997 == 0) {
            file.write(large);
            want += large;
        }
        if (k % 13 == 0) {
            file.write("+");
            want += '+';
        }
    }
    ASSERT_TRUE(file.commit());
    std::string got;
    int error = 0;
    ASSERT_TRUE(read_whole_file("big.txt", got, error));
    EXPECT_TRUE(got == want) << "sizes " << got.size() << " and " << want.size();
    EXPECT_FALSE(file_exists("big.txt.zeltmp"));
}

}  // namespace
