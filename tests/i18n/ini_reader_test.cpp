#include "ini_reader.h"

#include <QString>

#include <gtest/gtest.h>

#include <array>

namespace norvik {
namespace {

// The value the lookup answers, or "<default>" when it gives the default.
QString Lookup(QStringView text, QStringView section, QStringView key) {
    std::array<char16_t, 300> buffer;
    buffer.fill(u'x');
    const qsizetype count = LookupIniString(text, section, key, u"<default>", buffer);
    EXPECT_EQ(buffer[static_cast<std::size_t>(count)], u'\0');
    return QString::fromUtf16(buffer.data(), count);
}

TEST(IniReader, ReadsTheFormatAsThePlatformDoes) {
    // All three line ends occur; a CR left on a value or lines run together show.
    const QStringView text =
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
        EXPECT_EQ(Lookup(text, section, key), QStringView(value))
            << QString::fromUtf16(key).toStdString();
    }
}

TEST(IniReader, CopiesAtMostOneUnitLessThanTheBuffer) {
    const QStringView text = u"[LANGUAGE]\nExit=abcdef\n";
    std::array<char16_t, 4> buffer;
    EXPECT_EQ(LookupIniString(text, u"LANGUAGE", u"Exit", u"", buffer), 3);
    EXPECT_EQ(QStringView(buffer.data(), 4), QStringView(u"abc\0", 4));
    // The default is cut the same way.
    EXPECT_EQ(LookupIniString(text, u"LANGUAGE", u"Submit", u"long default", buffer), 3);
    EXPECT_EQ(QStringView(buffer.data(), 4), QStringView(u"lon\0", 4));
    std::array<char16_t, 1> one;
    EXPECT_EQ(LookupIniString(text, u"LANGUAGE", u"Exit", u"", one), 0);
    EXPECT_EQ(one[0], u'\0');
    EXPECT_EQ(LookupIniString(text, u"LANGUAGE", u"Exit", u"", std::span<char16_t>()), 0);
}

}  // namespace
}  // namespace norvik
