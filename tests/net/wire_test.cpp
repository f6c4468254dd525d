#include "wire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace norvik {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What atoi makes of the field: the C library's strtol on a NUL-terminated copy, bytes past
// the datagram's end read as 0, the result held within INT32_MAX of either sign.
std::int32_t AtoiOfField(const Bytes& datagram, std::size_t offset, std::size_t width) {
    std::string text;
    for (std::size_t i = 0; i < width; ++i) {
        text += static_cast<char>(offset + i < datagram.size() ? datagram[offset + i] : 0);
    }
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long>(value, -INT32_MAX, INT32_MAX));
}

void ExpectAtoiEverywhere(const Bytes& bytes, std::size_t widest) {
    const DatagramReader datagram(bytes);
    for (std::size_t offset = 0; offset <= bytes.size() + 1; ++offset) {
        for (std::size_t width = 0; width <= widest; ++width) {
            const std::int32_t read = datagram.AtoiField(offset, width);
            ASSERT_EQ(read, AtoiOfField(bytes, offset, width))
                << "offset " << offset << ", width " << width << " of " << bytes.size();
        }
    }
}

// Every 5-byte port field over bytes that each play a part: blanks (and the control bytes
// next to them that are not blanks), signs, digits and the characters on either side of them,
// NUL, and bytes above ASCII; each also cut short by the datagram's end.
TEST(DatagramReader, PortFieldsReadAsAtoiReadsThemWhateverTheBytes) {
    constexpr std::array<std::uint8_t, 16> kAlphabet = {
        ' ', '\t', '\r', '\v', 0x08, 0x0E, '+', '-', '0', '7', '9', '/', ':', 0, 0x80, 0xFF};
    Bytes field(5);
    for (std::size_t n = 0; n < 16 * 16 * 16 * 16 * 16; ++n) {
        for (std::size_t i = 0, rest = n; i < 5; ++i, rest /= 16) {
            field[i] = kAlphabet[rest % 16];
        }
        const DatagramReader whole(field);
        ASSERT_EQ(whole.AtoiField(0, 5), AtoiOfField(field, 0, 5)) << n;
        const Bytes cut(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(n % 6));
        ASSERT_EQ(DatagramReader(cut).AtoiField(0, 5), AtoiOfField(cut, 0, 5)) << n;
    }
}

TEST(DatagramReader, LongFieldsSaturateAtTheLargestInt32OfEitherSign) {
    const std::string digits = "  -12345678901234567890";
    const Bytes bytes(digits.begin(), digits.end());
    const DatagramReader datagram(bytes);
    EXPECT_EQ(datagram.AtoiField(0, bytes.size()), -INT32_MAX);
    EXPECT_EQ(datagram.AtoiField(3, bytes.size()), INT32_MAX);
    EXPECT_EQ(datagram.AtoiField(3, 10), 1234567890);
    ExpectAtoiEverywhere(bytes, 30);
}

// Every field of every datagram the fuzzers kept, at every offset and width up to a dozen.
TEST(DatagramReader, FuzzCorpusDatagramsReadAlikeAtEveryOffset) {
    int files = 0;
    for (const char* corpus : {"pcedit_datagram", "datagram_3297"}) {
        for (const auto& entry : std::filesystem::directory_iterator(
                 std::string(NORVIK_FUZZ_CORPUS_DIR) + "/" + corpus)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const Bytes bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
            ExpectAtoiEverywhere(bytes, 12);
            ++files;
        }
    }
    EXPECT_GT(files, 100);
}

// Fields read whole, cut by the datagram's end (zeros from there), or wholly past it.
TEST(DatagramReader, FieldsPastTheEndReadAsZeros) {
    const Bytes bytes = {1, 2, 3, 4, 5, 6};
    const DatagramReader datagram(bytes);
    EXPECT_EQ(datagram.Bytes<4>(0), (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(datagram.Bytes<4>(2), (std::array<std::uint8_t, 4>{3, 4, 5, 6}));
    EXPECT_EQ(datagram.Bytes<4>(4), (std::array<std::uint8_t, 4>{5, 6, 0, 0}));
    EXPECT_EQ(datagram.Bytes<4>(6), (std::array<std::uint8_t, 4>{}));
    EXPECT_EQ(datagram.Bytes<4>(SIZE_MAX - 1), (std::array<std::uint8_t, 4>{}));
    EXPECT_EQ(datagram.I32Le(3), 0x0006'0504);
    EXPECT_EQ(DatagramReader(ByteSpan()).Bytes<2>(0), (std::array<std::uint8_t, 2>{}));
    EXPECT_EQ(DatagramReader(ByteSpan()).AtoiField(0, 5), 0);
}

}  // namespace
}  // namespace norvik
