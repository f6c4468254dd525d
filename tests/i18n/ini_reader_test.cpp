#include "ini_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "utf.h"

namespace norvik {
namespace {

// The value the lookup answers, or "<default>" when it gives the default.
std::u16string Lookup(std::u16string_view text, std::u16string_view section,
                      std::u16string_view key) {
    std::array<char16_t, 300> buffer;
    buffer.fill(u'x');
    const std::size_t count = LookupIniString(text, section, key, u"<default>", buffer);
    EXPECT_EQ(buffer[count], u'\0');
    return std::u16string(buffer.data(), count);
}

TEST(IniReader, ReadsTheFormatAsThePlatformDoes) {
    // All three line ends occur; a CR left on a value or lines run together show.
    const std::u16string_view text =
        u"Exit=before any section\n"
        "[LANGUAGE\n"
        "Netmask=in an unclosed header\n"
        "[ language ] trailing text\r\n"
        "\t sUbMiT \t=\t Send  \r"
        "Search Device=Find\r\n"
        "\n\r\n\r"
        ";Exit=comment\n"
        "  ; Name=indented comment\n"
        "Name\n"
        "Name=\"  padded  \"\n"
        "Single='single'\n"
        "Inner=\"\"inner\"\"\n"
        "Mismatched=\"mismatched'\n"
        "Quote=\"\n"
        "Equals=a = b ; not a comment\n"
        "Empty=\n"
        "NoText=\"\"\n"
        "Exit=first\n"
        "EXIT=second\n"
        "[Other]\n"
        "Gateway=other\n"
        "[LANGUAGE]\n"
        "Exit=third\n"
        "Gateway=later\n";
    const struct {
        const char16_t* section;
        const char16_t* key;
        const char16_t* value;
    } cases[] = {
        // Names match without regard to case or surrounding blanks; inner blanks count.
        {u"Language", u"Submit", u"Send"},
        {u"LANGUAGE", u"SEARCH DEVICE", u"Find"},
        {u"LANGUAGE", u"Search_Device", u"<default>"},
        // Lines before the section, comments and lines without '=' define nothing.
        {u"LANGUAGE", u"Netmask", u"<default>"},
        {u"LANGUAGE", u";Exit", u"<default>"},
        // Values keep their inner text and lose one pair of matching quotes.
        {u"LANGUAGE", u"Name", u"  padded  "},
        {u"LANGUAGE", u"Single", u"single"},
        {u"LANGUAGE", u"Inner", u"\"inner\""},
        {u"LANGUAGE", u"Mismatched", u"\"mismatched'"},
        {u"LANGUAGE", u"Quote", u"\""},
        {u"LANGUAGE", u"Equals", u"a = b ; not a comment"},
        // An empty value is no text at all, not the default.
        {u"LANGUAGE", u"Empty", u""},
        {u"LANGUAGE", u"NoText", u""},
        // Only the first section of a name counts, and in it the first line of a key.
        {u"LANGUAGE", u"Exit", u"first"},
        {u"LANGUAGE", u"Gateway", u"<default>"},
        {u"OTHER", u"Gateway", u"other"},
        {u"OTHER", u"Exit", u"<default>"},
    };
    for (const auto& [section, key, value] : cases) {
        EXPECT_EQ(Lookup(text, section, key), value) << Utf16ToUtf8(key);
    }
}

TEST(IniReader, CopiesAtMostOneUnitLessThanTheBuffer) {
    const std::u16string_view text = u"[LANGUAGE]\nExit=abcdef\n";
    std::array<char16_t, 4> buffer;
    EXPECT_EQ(LookupIniString(text, u"LANGUAGE", u"Exit", u"", buffer), 3u);
    EXPECT_EQ(std::u16string_view(buffer.data(), 4), std::u16string_view(u"abc\0", 4));
    // The default is cut the same way.
    EXPECT_EQ(LookupIniString(text, u"LANGUAGE", u"Submit", u"long default", buffer), 3u);
    EXPECT_EQ(std::u16string_view(buffer.data(), 4), std::u16string_view(u"lon\0", 4));
    std::array<char16_t, 1> one;
    EXPECT_EQ(LookupIniString(text, u"LANGUAGE", u"Exit", u"", one), 0u);
    EXPECT_EQ(one[0], u'\0');
    EXPECT_EQ(LookupIniString(text, u"LANGUAGE", u"Exit", u"", std::span<char16_t>()), 0u);
}

}  // namespace
}  // namespace norvik
