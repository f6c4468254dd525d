#include "language_loader.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace norvik {
namespace {

// Each test runs in a fresh directory of its own, with a fresh table.
class LanguageLoaderTest : public testing::Test {
protected:
    LanguageLoaderTest() : working_directory_(directory_.path()) {}

    bool Apply(std::u16string_view language_file) {
        test::WriteFile(directory_ / "Language.ini", test::Utf16Le(language_file));
        return loader_.ApplyLanguage();
    }
    const std::u16string& Text(UiStringId id) const { return table_.Text(id); }

    test::TemporaryDirectory directory_;
    test::ScopedWorkingDirectory working_directory_;
    UiStringTable table_;
    LanguageLoader loader_{table_};
};

// Not the program's folder either, where a language file must not count.
TEST_F(LanguageLoaderTest, WithoutALanguageFileInTheWorkingDirectoryNothingChanges) {
    const std::filesystem::path beside_program = test::ProgramDirectory() / "Language.ini";
    ASSERT_FALSE(std::filesystem::exists(beside_program));
    test::WriteFile(beside_program, test::Utf16Le(u"[LANGUAGE]\nExit=from the program folder\n"));
    const bool applied = loader_.ApplyLanguage();
    std::filesystem::remove(beside_program);
    EXPECT_FALSE(applied);
    for (const UiStringEntry& entry : table_.Entries()) {
        EXPECT_EQ(entry.text(), entry.default_text());
    }
}

TEST_F(LanguageLoaderTest, AnEmptySectionStillCountsAsALanguageFile) {
    EXPECT_TRUE(Apply(u"[LANGUAGE]\r\n"));
    for (const UiStringEntry& entry : table_.Entries()) {
        EXPECT_EQ(entry.text(), entry.default_text());
    }
}

TEST_F(LanguageLoaderTest, KeysAreTheDefaultsWithUnderscoresForSpaces) {
    Apply(
        u"[LANGUAGE]\r\n"
        "Search Device=with a space\r\n"
        "Port_1=not the key\r\n"
        "Port1=Web port\r\n"
        "DNS_1=Primary DNS\r\n"
        "4._Press_Search_Device_to_re-search_again.=4. Search again.\r\n"
        "Server_Name=Gerätename\r\n"
        "IP_and_Gateway_do_not_match._Do_you_want_to_continue?=Trotzdem senden?\r\n");
    EXPECT_EQ(Text(UiStringId::SearchDevice), u"Search Device");
    EXPECT_EQ(Text(UiStringId::Port1), u"Web port");
    EXPECT_EQ(Text(UiStringId::Dns1), u"Primary DNS");
    EXPECT_EQ(Text(UiStringId::InstructionStep4), u"4. Search again.");
    EXPECT_EQ(Text(UiStringId::ServerName), u"Gerätename");
    EXPECT_EQ(Text(UiStringId::IpGatewayMismatch), u"Trotzdem senden?");
}

TEST_F(LanguageLoaderTest, AnEmptyValueOrOneEndedByANullKeepsTheEntry) {
    constexpr char16_t kText[] =
        u"[LANGUAGE]\nExit=\nSubmit=\"\"\nName=\0Quit\nMAC=MA\0C-Adresse\n";
    Apply(std::u16string_view(kText, std::size(kText) - 1));
    EXPECT_EQ(Text(UiStringId::Exit), u"Exit");
    EXPECT_EQ(Text(UiStringId::Submit), u"Submit");
    EXPECT_EQ(Text(UiStringId::Name), u"Name");
    EXPECT_EQ(Text(UiStringId::Mac), u"MA");
}

TEST_F(LanguageLoaderTest, ValuesAreCutTo299UnitsButNeverInsideASurrogatePair) {
    const std::u16string long_value = std::u16string(200, u'a') + std::u16string(200, u'b');
    // 298 letters, then a character of two code units that would straddle the limit.
    const std::u16string straddling = std::u16string(298, u'c') + u"\U0001F600d";
    // 297 letters and the pair: it ends exactly at the limit and stays whole.
    const std::u16string fitting = std::u16string(297, u'e') + u"\U0001F600f";
    Apply(u"[LANGUAGE]\r\nExit=" + long_value + u"\r\nSubmit=" + straddling + u"\r\nName=" +
          fitting + u"\r\n");
    EXPECT_EQ(Text(UiStringId::Exit), long_value.substr(0, 299));
    EXPECT_EQ(Text(UiStringId::Submit), std::u16string(298, u'c'));
    EXPECT_EQ(Text(UiStringId::Name), fitting.substr(0, 299));
}

}  // namespace
}  // namespace norvik
