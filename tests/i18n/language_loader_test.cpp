#include "language_loader.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "control_ids.h"
#include "i18n_test_support.h"

namespace norvik {
namespace {

using test::RecordingDialog;

const QString kDefaultInstructions = QStringLiteral(
    "To Change Device Name, IP address, and Gateway:\n"
    "1. Select the device on the left side.\n"
    "2. Change network parameter on the right side.\n"
    "3. Press Submit button.\n"
    "4. Press Search Device to re-search again.\n"
    "5. Double click the device to open it.");

// Each test runs in a fresh directory of its own, with a fresh table.
class LanguageLoaderTest : public testing::Test {
protected:
    LanguageLoaderTest() : working_directory_(directory_.path()) {}

    void WriteLanguageFile(const test::Bytes& bytes) {
        test::WriteFile(directory_.filePath(QStringLiteral("Language.ini")), bytes);
    }
    void WriteLanguageFile(QStringView text) { WriteLanguageFile(test::Utf16Le(text)); }

    void Apply() { loader_.ApplyLanguage(); }

    bool TableIsAtDefaults() const {
        for (const UiStringEntry& entry : table_.Entries()) {
            if (entry.text() != entry.default_text()) {
                return false;
            }
        }
        return true;
    }

    QTemporaryDir directory_;
    test::ScopedWorkingDirectory working_directory_;
    UiStringTable table_;
    RecordingDialog dialog_;
    LanguageLoader loader_{&dialog_, table_};
};

TEST_F(LanguageLoaderTest, WithoutALanguageFileNothingChanges) {
    EXPECT_TRUE(loader_.path.isEmpty());
    Apply();
    EXPECT_EQ(loader_.path, directory_.path() + QStringLiteral("/Language.ini"));
    EXPECT_TRUE(dialog_.texts.empty());  // the dialog keeps its template texts
    EXPECT_TRUE(TableIsAtDefaults());
    EXPECT_EQ(table_.Text(UiStringId::ServerName), u"Server Name");
    EXPECT_EQ(table_.Text(UiStringId::IpAddress), u"IP Address");
}

TEST_F(LanguageLoaderTest, EmptySectionRewritesEveryControlWithTheDefaultsInOrder) {
    WriteLanguageFile(u"[LANGUAGE]\r\n");
    Apply();
    const std::vector<std::pair<int, QString>> expected = {
        {kDeviceListsLabel, QStringLiteral("Device Lists")},
        {kStaticRadio, QStringLiteral("Static")},
        {kDhcpRadio, QStringLiteral("DHCP")},
        {kNameLabel, QStringLiteral("Name")},
        {kIpLabel, QStringLiteral("IP")},
        {kNetmaskLabel, QStringLiteral("Netmask")},
        {kGatewayLabel, QStringLiteral("Gateway")},
        {kDns1Label, QStringLiteral("DNS 1")},
        {kDns2Label, QStringLiteral("DNS 2")},
        {kPort1Label, QStringLiteral("Port1")},
        {kMacLabel, QStringLiteral("MAC")},
        {kSearchDeviceButton, QStringLiteral("Search Device")},
        {kSubmitButton, QStringLiteral("Submit")},
        {kExitButton, QStringLiteral("Exit")},
        {kInstructionsText, kDefaultInstructions},
    };
    EXPECT_EQ(dialog_.texts, expected);
    EXPECT_TRUE(TableIsAtDefaults());
}

TEST_F(LanguageLoaderTest, KeysAreTheDefaultsWithUnderscoresForSpaces) {
    WriteLanguageFile(
        u"[LANGUAGE]\r\n"
        "Search Device=with a space\r\n"
        "DNS 2=with a space\r\n"
        "Port_1=not the key\r\n"
        "Port1=Web port\r\n"
        "DNS_1=Primary DNS\r\n"
        "4._Press_Search_Device_to_re-search_again.=4. Search again.\r\n");
    Apply();
    EXPECT_EQ(dialog_.TextOf(kSearchDeviceButton), u"Search Device");
    EXPECT_EQ(dialog_.TextOf(kDns2Label), u"DNS 2");
    EXPECT_EQ(dialog_.TextOf(kPort1Label), u"Web port");
    EXPECT_EQ(dialog_.TextOf(kDns1Label), u"Primary DNS");
    EXPECT_TRUE(dialog_.TextOf(kInstructionsText).contains(u"\n4. Search again.\n"));

    WriteLanguageFile(u"[LANGUAGE]\r\nSearch_Device=Find\r\n");
    Apply();
    EXPECT_EQ(dialog_.TextOf(kSearchDeviceButton), u"Find");
    EXPECT_EQ(table_.Text(UiStringId::SearchDevice), u"Find");
}

TEST_F(LanguageLoaderTest, ListHeadingsAndTheSubmitQuestionReachOnlyTheTable) {
    WriteLanguageFile(
        u"[LANGUAGE]\r\n"
        "Server_Name=Gerätename\r\n"
        "IP_Address=IP-Adresse\r\n"
        "IP_and_Gateway_do_not_match._Do_you_want_to_continue?=Trotzdem senden?\r\n");
    Apply();
    EXPECT_EQ(table_.Text(UiStringId::ServerName), u"Gerätename");
    EXPECT_EQ(table_.Text(UiStringId::IpAddress), u"IP-Adresse");
    EXPECT_EQ(table_.Text(UiStringId::IpGatewayMismatch), u"Trotzdem senden?");
    ASSERT_EQ(dialog_.texts.size(), 15u);
    for (const auto& [control_id, text] : dialog_.texts) {
        EXPECT_FALSE(text.contains(u"Gerät") || text.contains(u"Adresse") ||
                     text.contains(u"Trotzdem"))
            << control_id;
    }
}

TEST_F(LanguageLoaderTest, EmptyValuesKeepTheDefaultWhileOtherEntriesTranslate) {
    WriteLanguageFile(u"[LANGUAGE]\r\nExit=\r\nSubmit=\"\"\r\nMAC=MAC-Adresse\r\n");
    Apply();
    EXPECT_EQ(dialog_.TextOf(kExitButton), u"Exit");
    EXPECT_EQ(dialog_.TextOf(kSubmitButton), u"Submit");
    EXPECT_EQ(table_.Text(UiStringId::Exit), u"Exit");
    EXPECT_EQ(dialog_.TextOf(kMacLabel), u"MAC-Adresse");
}

TEST_F(LanguageLoaderTest, ValuesAreCutTo299UnitsButNeverInsideASurrogatePair) {
    const QString long_value = QString(200, u'a') + QString(200, u'b');
    // 298 letters, then a character of two code units that would straddle the limit.
    const QString straddling = QString(298, u'c') + QString::fromUtf16(u"\U0001F600") + u'd';
    // 297 letters and the pair: it ends exactly at the limit and stays whole.
    const QString fitting = QString(297, u'e') + QString::fromUtf16(u"\U0001F600") + u'f';
    WriteLanguageFile(QStringLiteral("[LANGUAGE]\r\nExit=") + long_value +
                      QStringLiteral("\r\nSubmit=") + straddling + QStringLiteral("\r\nName=") +
                      fitting + QStringLiteral("\r\n"));
    Apply();
    EXPECT_EQ(dialog_.TextOf(kExitButton), long_value.first(299));
    EXPECT_EQ(dialog_.TextOf(kSubmitButton), QString(298, u'c'));
    EXPECT_EQ(dialog_.TextOf(kNameLabel), fitting.first(299));
}

TEST_F(LanguageLoaderTest, ANullInAValueEndsItAndNeverEmptiesAnEntry) {
    constexpr char16_t kText[] = u"[LANGUAGE]\nExit=\0Quit\nSubmit=Se\0nd\n";
    WriteLanguageFile(QStringView(kText, std::size(kText) - 1));
    Apply();
    EXPECT_EQ(table_.Text(UiStringId::Exit), u"Exit");
    EXPECT_EQ(table_.Text(UiStringId::Submit), u"Se");
}

TEST_F(LanguageLoaderTest, KeysComeFromTheDefaultsEvenAfterATranslation) {
    WriteLanguageFile(u"[LANGUAGE]\r\nExit=Quit\r\n");
    Apply();
    ASSERT_EQ(table_.Text(UiStringId::Exit), u"Quit");
    WriteLanguageFile(u"[LANGUAGE]\r\nQuit=Wrong\r\n");
    Apply();
    EXPECT_EQ(table_.Text(UiStringId::Exit), u"Quit");
    WriteLanguageFile(u"[LANGUAGE]\r\nExit=Leave\r\n");
    Apply();
    EXPECT_EQ(table_.Text(UiStringId::Exit), u"Leave");
}

TEST_F(LanguageLoaderTest, TranslateEntryLooksUpTheFileAtPath) {
    QTemporaryDir elsewhere;
    loader_.path = elsewhere.filePath(QStringLiteral("other.ini"));
    test::WriteFile(loader_.path, test::Utf8(u"[LANGUAGE]\nDNS 1=spaced\nDNS_1=Primary\n"));
    UiStringEntry& dns1 = table_.Entry(UiStringId::Dns1);
    loader_.TranslateEntry(dns1, false);
    EXPECT_EQ(dns1.text(), u"spaced");
    loader_.TranslateEntry(dns1, true);
    EXPECT_EQ(dns1.text(), u"Primary");
    EXPECT_TRUE(dialog_.texts.empty());
}

TEST_F(LanguageLoaderTest, UsesTheWorkingDirectoryNotTheProgramsFolder) {
    // A language file beside the test program must not count.
    const QString program_folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString beside_program = program_folder + QStringLiteral("/Language.ini");
    ASSERT_FALSE(QFile::exists(beside_program));
    test::WriteFile(beside_program, test::Utf8(u"[LANGUAGE]\nExit=from the program folder\n"));
    struct Cleanup {
        QString path;
        ~Cleanup() { QFile::remove(path); }
    } cleanup{beside_program};

    Apply();
    EXPECT_TRUE(dialog_.texts.empty());
    EXPECT_TRUE(TableIsAtDefaults());

    WriteLanguageFile(u"[LANGUAGE]\r\nExit=from the working directory\r\n");
    Apply();
    EXPECT_EQ(dialog_.TextOf(kExitButton), u"from the working directory");
}

// The same file as different editors save it: UTF-8 with and without its mark, UTF-16 in
// both byte orders.
TEST_F(LanguageLoaderTest, EveryEncodingOfTheFileTranslatesTheSame) {
    for (const char* fixture :
         {"de_utf8.ini", "de_utf8_bom.ini", "de_utf16le.ini", "de_utf16be.ini"}) {
        SCOPED_TRACE(fixture);
        WriteLanguageFile(test::ReadFile(QStringLiteral(NORVIK_TEST_DATA_DIR "/i18n/") +
                                         QString::fromUtf8(fixture)));
        UiStringTable table;
        RecordingDialog dialog;
        LanguageLoader loader(&dialog, table);
        loader.ApplyLanguage();
        EXPECT_EQ(dialog.TextOf(kDeviceListsLabel), QString::fromUtf16(u"Geräteliste \U0001F4F7"));
        EXPECT_EQ(table.Text(UiStringId::ServerName), u"Gerätename");
        EXPECT_EQ(dialog.TextOf(kSubmitButton), u"Übernehmen");
        EXPECT_EQ(dialog.TextOf(kExitButton), u"Beenden");
        EXPECT_EQ(dialog.TextOf(kNameLabel), u"Name");
    }
}

}  // namespace
}  // namespace norvik
