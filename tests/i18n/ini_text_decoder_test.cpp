#include "ini_text_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "test_files.h"
#include "utf.h"

namespace norvik {
namespace {

std::u16string Decode(const std::string& bytes) {
    return DecodeIniText(test::RawBytes(bytes));
}

// The same German file as different editors save it, with a character outside the BMP.
TEST(DecodeIniText, ReadsEachEncodingByItsMark) {
    const std::filesystem::path dir = std::filesystem::path(NORVIK_TEST_DATA_DIR) / "i18n";
    const test::FileBytes utf8 = test::ReadFile(dir / "de_utf8.ini");
    const std::u16string expected =
        Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
    ASSERT_NE(expected.find(u"Geräteliste \U0001F4F7\r\n"), std::u16string::npos);
    for (const char* name :
         {"de_utf8.ini", "de_utf8_bom.ini", "de_utf16le.ini", "de_utf16be.ini"}) {
        EXPECT_EQ(DecodeIniText(test::ReadFile(dir / name)), expected) << name;
    }
    EXPECT_EQ(Decode(""), u"");
    // Only the first mark is one; a second is text.
    EXPECT_EQ(Decode("\xEF\xBB\xBF\xEF\xBB\xBFx"), u"\uFEFFx");
    EXPECT_EQ(Decode("x\x80y"), u"x\uFFFDy");
}

TEST(DecodeIniText, ReplacesMalformedUtf16) {
    // A lone low surrogate, a high surrogate followed by a letter, one at the very end.
    EXPECT_EQ(Decode(std::string("\xFF\xFE\x00\xDCx\x00\x3D\xD8y\x00\x3D\xD8", 12)),
              u"\uFFFDx\uFFFDy\uFFFD");
    // The file ends in the middle of a code unit.
    EXPECT_EQ(Decode(std::string("\xFE\xFF\x00x\x00", 5)), u"x\uFFFD");
}

}  // namespace
}  // namespace norvik
