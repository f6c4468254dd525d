#include "ini_text_decoder.h"

#include <gtest/gtest.h>

#include "i18n_test_support.h"

namespace norvik {
namespace {

using test::RawBytes;

const QString kSample = QString::fromUtf16(u"[LANGUAGE]\r\nExit=離開 \U0001F600 ü\r\n");

QString Decode(const test::Bytes& bytes) {
    return DecodeIniText(bytes);
}
QString Decode(const std::string& bytes) {
    return DecodeIniText(RawBytes(bytes));
}

TEST(DecodeIniText, ReadsEachEncodingByItsMark) {
    EXPECT_EQ(Decode(test::Utf8(kSample)), kSample);
    EXPECT_EQ(Decode(test::Utf8WithMark(kSample)), kSample);
    EXPECT_EQ(Decode(test::Utf16Le(kSample)), kSample);
    EXPECT_EQ(Decode(test::Utf16Be(kSample)), kSample);
    EXPECT_EQ(Decode(std::string()), QString());
    // Only the first mark is one; a second is text.
    EXPECT_EQ(Decode("\xEF\xBB\xBF\xEF\xBB\xBF"
                     "a"),
              QStringView(u"\uFEFFa"));
    EXPECT_EQ(Decode(std::string("\xFF\xFE\x00\x00", 4)), QString(QChar(u'\0')));
}

TEST(DecodeIniText, ReplacesMalformedUtf8) {
    struct Case {
        const char* bytes;
        const char16_t* text;
    };
    const Case cases[] = {
        {"a\x80"
         "b",
         u"a\uFFFDb"},                                      // lone trail byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong, three bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xF5\xFF", u"\uFFFD\uFFFD"},                      // never a lead byte
        {"\xE2\x82"
         "x",
         u"\uFFFDx"},  // cut short, then text goes on
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"x\xF0\x9F\x98", u"x\uFFFD"},  // file ends inside a character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c.bytes), QStringView(c.text)) << c.bytes;
    }
}

TEST(DecodeIniText, ReplacesMalformedUtf16) {
    // A lone low surrogate, a high surrogate followed by a letter, one at the very end.
    EXPECT_EQ(Decode(std::string("\xFF\xFE"
                                 "\x00\xDC"
                                 "a\x00"
                                 "\x3D\xD8"
                                 "b\x00"
                                 "\x3D\xD8",
                                 12)),
              QString::fromUtf16(u"\uFFFDa\uFFFDb\uFFFD"));
    // The file ends in the middle of a code unit.
    EXPECT_EQ(Decode(std::string("\xFE\xFF\x00"
                                 "a\x00",
                                 5)),
              QString::fromUtf16(u"a\uFFFD"));
    EXPECT_EQ(Decode(std::string("\xFF\xFE\x3D", 3)), QString::fromUtf16(u"\uFFFD"));
}

}  // namespace
}  // namespace norvik
