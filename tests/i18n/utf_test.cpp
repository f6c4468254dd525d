#include "utf.h"

#include <gtest/gtest.h>

#include <string>

namespace norvik {
namespace {

TEST(Utf, ConvertsEveryPlaneBothWays) {
    const std::u16string text = u"A\u00F1\u00C5\u651D\uFFFF\U0001F4F7\U0010FFFF";
    const std::string utf8 =
        "A\xC3\xB1\xC3\x85\xE6\x94\x9D\xEF\xBF\xBF\xF0\x9F\x93\xB7\xF4\x8F\xBF\xBF";
    EXPECT_EQ(Utf16ToUtf8(text), utf8);
    EXPECT_EQ(Utf8ToUtf16(utf8), text);
    EXPECT_EQ(Utf8ToUtf16(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

// One U+FFFD per maximal subpart, resynchronising at once.
TEST(Utf, ReplacesMalformedUtf8) {
    const std::pair<const char*, const char16_t*> cases[] = {
        {"x\x80y", u"x\uFFFDy"},                            // lone trail byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // never a lead byte (overlong)
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong, three bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xE2\x82x", u"\uFFFDx"},                          // cut short, then text goes on
        {"x\xF0\x9F\x98", u"x\uFFFD"},                      // ends inside a character
        {"\xFF\xFE", u"\uFFFD\uFFFD"},                      // bytes UTF-8 never uses
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(Utf8ToUtf16(bytes), text) << bytes;
    }
}

TEST(Utf, ReplacesUnpairedSurrogates) {
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x\xDC00"), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xDBFF')), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace norvik
