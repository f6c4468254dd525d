#include "ini_text_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "i18n_test_support.h"

namespace norvik {
namespace {

QString Decode(const std::string& bytes) {
    return DecodeIniText(test::RawBytes(bytes));
}

// The same German file as different editors save it, with a character outside the BMP.
TEST(DecodeIniText, ReadsEachEncodingByItsMark) {
    const QString dir = QStringLiteral(NORVIK_TEST_DATA_DIR "/i18n/");
    const test::Bytes utf8 = test::ReadFile(dir + QStringLiteral("de_utf8.ini"));
    const QString expected = QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()),
                                               static_cast<qsizetype>(utf8.size()));
    ASSERT_TRUE(expected.contains(QString::fromUtf16(u"Geräteliste \U0001F4F7\r\n")));
    for (const char* name :
         {"de_utf8.ini", "de_utf8_bom.ini", "de_utf16le.ini", "de_utf16be.ini"}) {
        EXPECT_EQ(DecodeIniText(test::ReadFile(dir + QString::fromUtf8(name))), expected) << name;
    }
    EXPECT_EQ(Decode(""), QString());
    // Only the first mark is one; a second is text.
    EXPECT_EQ(Decode("\xEF\xBB\xBF\xEF\xBB\xBFx"), QStringView(u"\uFEFFx"));
}

// One U+FFFD per maximal subpart, resynchronising at once.
TEST(DecodeIniText, ReplacesMalformedUtf8) {
    const std::pair<const char*, const char16_t*> cases[] = {
        {"x\x80y", u"x\uFFFDy"},                            // lone trail byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // never a lead byte (overlong)
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong, three bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xE2\x82x", u"\uFFFDx"},                          // cut short, then text goes on
        {"x\xF0\x9F\x98", u"x\uFFFD"},                      // file ends inside a character
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(Decode(bytes), QStringView(text)) << bytes;
    }
}

TEST(DecodeIniText, ReplacesMalformedUtf16) {
    // A lone low surrogate, a high surrogate followed by a letter, one at the very end.
    EXPECT_EQ(Decode(std::string("\xFF\xFE\x00\xDCx\x00\x3D\xD8y\x00\x3D\xD8", 12)),
              QString::fromUtf16(u"\uFFFDx\uFFFDy\uFFFD"));
    // The file ends in the middle of a code unit.
    EXPECT_EQ(Decode(std::string("\xFE\xFF\x00x\x00", 5)), QString::fromUtf16(u"x\uFFFD"));
}

}  // namespace
}  // namespace norvik
