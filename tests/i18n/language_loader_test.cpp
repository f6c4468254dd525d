#include "language_loader.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "control_ids.h"
#include "i18n_test_support.h"

namespace norvik {
namespace {

// Each test runs in a fresh directory of its own, with a fresh table.
class LanguageLoaderTest : public testing::Test {
protected:
    LanguageLoaderTest() : working_directory_(directory_.path()) {}

    void Apply(std::u16string_view language_file) {
        test::WriteFile(directory_ / "Language.ini", test::Utf16Le(language_file));
        loader_.ApplyLanguage();
    }

    test::TemporaryDirectory directory_;
    test::ScopedWorkingDirectory working_directory_;
    UiStringTable table_;
    test::RecordingDialog dialog_;
    LanguageLoader loader_{&dialog_, table_};
};

// Not the program's folder either, where a language file must not count.
TEST_F(LanguageLoaderTest, WithoutALanguageFileInTheWorkingDirectoryNothingChanges) {
    const std::filesystem::path beside_program = test::ProgramDirectory() / "Language.ini";
    ASSERT_FALSE(std::filesystem::exists(beside_program));
    test::WriteFile(beside_program,
                    test::Utf16Le(u"[LANGUAGE]\nExit=from the program folder\n"));
    loader_.ApplyLanguage();
    std::filesystem::remove(beside_program);
    EXPECT_EQ(loader_.path, (directory_ / "Language.ini").u16string());
    EXPECT_TRUE(dialog_.texts.empty());  // the dialog keeps its template texts
    for (const UiStringEntry& entry : table_.Entries()) {
        EXPECT_EQ(entry.text(), entry.default_text());
    }
}

TEST_F(LanguageLoaderTest, EmptySectionRewritesEveryControlWithTheDefaultsInOrder) {
    Apply(u"[LANGUAGE]\r\n");
    const std::vector<std::pair<int, std::u16string>> expected = {
        {kDeviceListsLabel, u"Device Lists"},
        {kStaticRadio, u"Static"},
        {kDhcpRadio, u"DHCP"},
        {kNameLabel, u"Name"},
        {kIpLabel, u"IP"},
        {kNetmaskLabel, u"Netmask"},
        {kGatewayLabel, u"Gateway"},
        {kDns1Label, u"DNS 1"},
        {kDns2Label, u"DNS 2"},
        {kPort1Label, u"Port1"},
        {kMacLabel, u"MAC"},
        {kSearchDeviceButton, u"Search Device"},
        {kSubmitButton, u"Submit"},
        {kExitButton, u"Exit"},
        // Lines separated by bare line feeds.
        {kInstructionsText, u"To Change Device Name, IP address, and Gateway:\n"
                            u"1. Select the device on the left side.\n"
                            u"2. Change network parameter on the right side.\n"
                            u"3. Press Submit button.\n"
                            u"4. Press Search Device to re-search again.\n"
                            u"5. Double click the device to open it."},
    };
    EXPECT_EQ(dialog_.texts, expected);
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
    EXPECT_EQ(dialog_.TextOf(kSearchDeviceButton), u"Search Device");
    EXPECT_EQ(dialog_.TextOf(kPort1Label), u"Web port");
    EXPECT_EQ(dialog_.TextOf(kDns1Label), u"Primary DNS");
    EXPECT_NE(dialog_.TextOf(kInstructionsText).find(u"\n4. Search again.\n"),
              std::u16string::npos);
    // The list heading and Submit's question are read from the table by their owners.
    EXPECT_EQ(table_.Text(UiStringId::ServerName), u"Gerätename");
    EXPECT_EQ(table_.Text(UiStringId::IpGatewayMismatch), u"Trotzdem senden?");
}

TEST_F(LanguageLoaderTest, AnEmptyValueOrOneEndedByANullKeepsTheEntry) {
    constexpr char16_t kText[] =
        u"[LANGUAGE]\nExit=\nSubmit=\"\"\nName=\0Quit\nMAC=MA\0C-Adresse\n";
    Apply(std::u16string_view(kText, std::size(kText) - 1));
    EXPECT_EQ(dialog_.TextOf(kExitButton), u"Exit");
    EXPECT_EQ(dialog_.TextOf(kSubmitButton), u"Submit");
    EXPECT_EQ(table_.Text(UiStringId::Name), u"Name");
    EXPECT_EQ(table_.Text(UiStringId::Mac), u"MA");
}

TEST_F(LanguageLoaderTest, ValuesAreCutTo299UnitsButNeverInsideASurrogatePair) {
    const std::u16string long_value = std::u16string(200, u'a') + std::u16string(200, u'b');
    // 298 letters, then a character of two code units that would straddle the limit.
    const std::u16string straddling = std::u16string(298, u'c') + u"\U0001F600d";
    // 297 letters and the pair: it ends exactly at the limit and stays whole.
    const std::u16string fitting = std::u16string(297, u'e') + u"\U0001F600f";
    Apply(u"[LANGUAGE]\r\nExit=" + long_value + u"\r\nSubmit=" + straddling + u"\r\nName=" +
          fitting + u"\r\n");
    EXPECT_EQ(dialog_.TextOf(kExitButton), long_value.substr(0, 299));
    EXPECT_EQ(dialog_.TextOf(kSubmitButton), std::u16string(298, u'c'));
    EXPECT_EQ(dialog_.TextOf(kNameLabel), fitting.substr(0, 299));
}

TEST_F(LanguageLoaderTest, TranslateEntryLooksUpTheFileAtPath) {
    test::TemporaryDirectory elsewhere;
    loader_.path = (elsewhere / "other.ini").u16string();
    test::WriteFile(loader_.path, test::Utf16Le(u"[LANGUAGE]\nDNS 1=spaced\nDNS_1=Primary\n"));
    UiStringEntry& dns1 = table_.Entry(UiStringId::Dns1);
    loader_.TranslateEntry(dns1, false);
    EXPECT_EQ(dns1.text(), u"spaced");
    loader_.TranslateEntry(dns1, true);  // the key comes from the default, not from "spaced"
    EXPECT_EQ(dns1.text(), u"Primary");
}

}  // namespace
}  // namespace norvik
