#include "ini_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "i18n_test_support.h"

namespace norvik {
namespace {

// The value the lookup answers, or "<default>" when it gives the default.
QString Lookup(QStringView text, QStringView key, QStringView section = u"LANGUAGE") {
    std::array<char16_t, 300> buffer;
    const qsizetype count = LookupIniString(text, section, key, u"<default>", buffer);
    EXPECT_EQ(buffer[static_cast<std::size_t>(count)], u'\0');
    return QString::fromUtf16(buffer.data(), count);
}

TEST(IniReader, NamesMatchWithoutRegardToCaseOrSurroundingBlanks) {
    const QStringView text =
        u"[ language ]\n"
        "\t sUbMiT \t=\t Send  \n"
        "Exit=Quit\n";
    EXPECT_EQ(Lookup(text, u"Submit"), u"Send");
    EXPECT_EQ(Lookup(text, u"EXIT"), u"Quit");
    EXPECT_EQ(Lookup(text, u"Exit", u"Language"), u"Quit");
    // Blanks inside a name are part of it.
    EXPECT_EQ(Lookup(u"[LANGUAGE]\nSearch Device=Find\n", u"Search_Device"), u"<default>");
    EXPECT_EQ(Lookup(u"[LANGUAGE]\nSearch Device=Find\n", u"Search Device"), u"Find");
}

TEST(IniReader, ValuesKeepInnerTextAndLoseOnePairOfMatchingQuotes) {
    const QStringView text =
        u"[LANGUAGE]\n"
        "A=\"  padded  \"\n"
        "B='single'\n"
        "C=\"\"inner\"\"\n"
        "D=\"mismatched'\n"
        "E=\"\n"
        "F=a = b ; not a comment\n"
        "G= x\ty \n";
    EXPECT_EQ(Lookup(text, u"A"), u"  padded  ");
    EXPECT_EQ(Lookup(text, u"B"), u"single");
    EXPECT_EQ(Lookup(text, u"C"), u"\"inner\"");
    EXPECT_EQ(Lookup(text, u"D"), u"\"mismatched'");
    EXPECT_EQ(Lookup(text, u"E"), u"\"");
    EXPECT_EQ(Lookup(text, u"F"), u"a = b ; not a comment");
    EXPECT_EQ(Lookup(text, u"G"), u"x\ty");
}

TEST(IniReader, EmptyValueGivesZeroCharactersAndMissingKeyTheDefault) {
    const QStringView text = u"[LANGUAGE]\nExit=\nSubmit=  \nName=\"\"\n";
    for (QStringView key : {u"Exit", u"Submit", u"Name"}) {
        std::array<char16_t, 300> buffer;
        buffer.fill(u'x');
        EXPECT_EQ(LookupIniString(text, u"LANGUAGE", key, u"default", buffer), 0);
        EXPECT_EQ(buffer[0], u'\0');
    }
    EXPECT_EQ(Lookup(text, u"Gateway"), u"<default>");
    EXPECT_EQ(Lookup(text, u"Exit", u"OTHER"), u"<default>");
}

TEST(IniReader, FirstSectionAndFirstKeyOfDuplicatesWin) {
    const QStringView text =
        u"[LANGUAGE]\n"
        "Exit=first\n"
        "EXIT=second\n"
        "[Other]\n"
        "Submit=other\n"
        "[language]\n"
        "Exit=third\n"
        "Submit=later\n";
    EXPECT_EQ(Lookup(text, u"Exit"), u"first");
    EXPECT_EQ(Lookup(text, u"Submit"), u"<default>");
    EXPECT_EQ(Lookup(text, u"Submit", u"OTHER"), u"other");
}

TEST(IniReader, CommentsLinesWithoutEqualsAndStrayLinesDefineNothing) {
    const QStringView text =
        u"Exit=before any section\n"
        "[LANGUAGE\n"
        "Name=in an unclosed header\n"
        "[LANGUAGE] trailing text\n"
        ";Exit=comment\n"
        "  ; Submit=indented comment\n"
        "Submit\n"
        "Submit=Send\n"
        "Exit=Quit\n";
    EXPECT_EQ(Lookup(text, u"Exit"), u"Quit");
    EXPECT_EQ(Lookup(text, u"Submit"), u"Send");
    EXPECT_EQ(Lookup(text, u"Name"), u"<default>");
    EXPECT_EQ(Lookup(text, u";Exit"), u"<default>");
}

TEST(IniReader, EveryLineEndSeparatesLines) {
    EXPECT_EQ(Lookup(u"[LANGUAGE]\r\nA=1\r\nB=2", u"B"), u"2");
    EXPECT_EQ(Lookup(u"[LANGUAGE]\rA=1\rB=2\r", u"B"), u"2");
    EXPECT_EQ(Lookup(u"[LANGUAGE]\n\n\r\n\rA=1\n", u"A"), u"1");
    EXPECT_EQ(Lookup(u"[LANGUAGE]\r\nA=1\r\n", u"A"), u"1");  // no CR left on the value
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

TEST(IniReader, FileCutInsideACharacterStillReads) {
    // The last line's value ends in the first two bytes of a three-byte character.
    const test::Bytes file = test::RawBytes("[LANGUAGE]\nSubmit=ok\nExit=Qu\xE2\x82");
    std::array<char16_t, 300> buffer;
    qsizetype count = ReadIniString(file, u"LANGUAGE", u"Exit", u"Exit", buffer);
    EXPECT_EQ(QStringView(buffer.data(), count), u"Qu\uFFFD");
    count = ReadIniString(file, u"LANGUAGE", u"Submit", u"Submit", buffer);
    EXPECT_EQ(QStringView(buffer.data(), count), u"ok");
}

TEST(IniReader, RandomBytesNeverOverrunTheBuffer) {
    std::mt19937 random(7);
    const test::Bytes header = test::RawBytes("[LANGUAGE]\nExit=");
    for (int round = 0; round < 3000; ++round) {
        test::Bytes noise(random() % 400);
        for (std::byte& b : noise) {
            // Plenty of the characters the format gives a meaning to.
            const char16_t meaningful[] = {u'=', u'[', u']', u';', u'\n', u'\r', u' ', u'"', u'\0'};
            b = static_cast<std::byte>(random() % 4 == 0 ? meaningful[random() % 9] : random());
        }
        const test::Bytes file = round % 2 == 0 ? noise : test::Concat(header, noise);
        // A guard unit after the buffer shows any write past its end.
        std::array<char16_t, 301> storage;
        storage.fill(u'#');
        const std::size_t size = random() % 300;
        const qsizetype count =
            ReadIniString(file, u"LANGUAGE", u"Exit", u"Exit", std::span(storage).first(size));
        ASSERT_EQ(storage[size], u'#');
        if (size == 0) {
            ASSERT_EQ(count, 0);
        } else {
            ASSERT_GE(count, 0);
            ASSERT_LT(static_cast<std::size_t>(count), size);
            ASSERT_EQ(storage[static_cast<std::size_t>(count)], u'\0');
        }
    }
}

}  // namespace
}  // namespace norvik
