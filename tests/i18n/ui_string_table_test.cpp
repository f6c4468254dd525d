#include "ui_string_table.h"

#include <gtest/gtest.h>

#include <set>

#include "language_loader.h"

namespace norvik {
namespace {

struct ExpectedEntry {
    UiStringId id;
    const char16_t* default_text;
    bool replace_spaces;
    const char16_t* key;  // as the language file names it
};

// What translators and existing language files rely on, character for character.
const ExpectedEntry kExpected[] = {
    {UiStringId::DeviceLists, u"Device Lists", true, u"Device_Lists"},
    {UiStringId::ServerName, u"Server Name", true, u"Server_Name"},
    {UiStringId::IpAddress, u"IP Address", true, u"IP_Address"},
    {UiStringId::Static, u"Static", false, u"Static"},
    {UiStringId::Dhcp, u"DHCP", false, u"DHCP"},
    {UiStringId::Name, u"Name", false, u"Name"},
    {UiStringId::Ip, u"IP", false, u"IP"},
    {UiStringId::Netmask, u"Netmask", false, u"Netmask"},
    {UiStringId::Gateway, u"Gateway", false, u"Gateway"},
    {UiStringId::Dns1, u"DNS 1", true, u"DNS_1"},
    {UiStringId::Dns2, u"DNS 2", true, u"DNS_2"},
    {UiStringId::Port1, u"Port1", false, u"Port1"},
    {UiStringId::Mac, u"MAC", false, u"MAC"},
    {UiStringId::SearchDevice, u"Search Device", true, u"Search_Device"},
    {UiStringId::Submit, u"Submit", false, u"Submit"},
    {UiStringId::Exit, u"Exit", false, u"Exit"},
    {UiStringId::InstructionsTitle, u"To Change Device Name, IP address, and Gateway:", true,
     u"To_Change_Device_Name,_IP_address,_and_Gateway:"},
    {UiStringId::InstructionStep1, u"1. Select the device on the left side.", true,
     u"1._Select_the_device_on_the_left_side."},
    {UiStringId::InstructionStep2, u"2. Change network parameter on the right side.", true,
     u"2._Change_network_parameter_on_the_right_side."},
    {UiStringId::InstructionStep3, u"3. Press Submit button.", true, u"3._Press_Submit_button."},
    {UiStringId::InstructionStep4, u"4. Press Search Device to re-search again.", true,
     u"4._Press_Search_Device_to_re-search_again."},
    {UiStringId::InstructionStep5, u"5. Double click the device to open it.", true,
     u"5._Double_click_the_device_to_open_it."},
    {UiStringId::IpGatewayMismatch, u"IP and Gateway do not match. Do you want to continue?", true,
     u"IP_and_Gateway_do_not_match._Do_you_want_to_continue?"},
};

TEST(UiStringTable, HoldsTheEnglishDefaultsInTableOrder) {
    const UiStringTable table;
    ASSERT_EQ(table.Entries().size(), std::size(kExpected));
    for (std::size_t i = 0; i < std::size(kExpected); ++i) {
        const ExpectedEntry& expected = kExpected[i];
        const UiStringEntry& entry = table.Entries()[i];
        SCOPED_TRACE(QString::fromUtf16(expected.default_text).toStdString());
        EXPECT_EQ(entry.id(), expected.id);
        EXPECT_EQ(entry.default_text(), QStringView(expected.default_text));
        EXPECT_EQ(entry.text(), QStringView(expected.default_text));
        EXPECT_EQ(entry.replace_spaces(), expected.replace_spaces);
        // Reading by identifier reaches the same entry.
        EXPECT_EQ(&table.Entry(expected.id), &entry);
        EXPECT_EQ(table.Text(expected.id), QStringView(expected.default_text));
    }
}

TEST(UiStringTable, KeysFormedFromTheDefaultsAreTheLanguageFileKeysAndUnique) {
    const UiStringTable table;
    std::set<QString> keys;
    for (const ExpectedEntry& expected : kExpected) {
        const UiStringEntry& entry = table.Entry(expected.id);
        // The flag is set exactly when the default has a space to replace.
        EXPECT_EQ(entry.replace_spaces(), entry.default_text().contains(u' '));
        const QString key = entry.replace_spaces()
                                ? LanguageLoader::SpacesToUnderscores(entry.default_text())
                                : entry.default_text().toString();
        EXPECT_EQ(key, QStringView(expected.key));
        keys.insert(key.toCaseFolded());  // the file's keys ignore letter case
    }
    EXPECT_EQ(keys.size(), std::size(kExpected));
}

}  // namespace
}  // namespace norvik
