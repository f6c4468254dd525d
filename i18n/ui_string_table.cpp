#include "ui_string_table.h"

namespace norvik {

UiStringEntry::UiStringEntry(UiStringId id, std::u16string_view default_text,
                             bool replace_spaces)
    : id_(id),
      default_text_(default_text),
      replace_spaces_(replace_spaces),
      text_(default_text) {}

UiStringTable::UiStringTable()
    : entries_{{
          {UiStringId::DeviceLists, u"Device Lists", true},
          {UiStringId::ServerName, u"Server Name", true},
          {UiStringId::IpAddress, u"IP Address", true},
          {UiStringId::Static, u"Static", false},
          {UiStringId::Dhcp, u"DHCP", false},
          {UiStringId::Name, u"Name", false},
          {UiStringId::Ip, u"IP", false},
          {UiStringId::Netmask, u"Netmask", false},
          {UiStringId::Gateway, u"Gateway", false},
          {UiStringId::Dns1, u"DNS 1", true},
          {UiStringId::Dns2, u"DNS 2", true},
          {UiStringId::Port1, u"Port1", false},
          {UiStringId::Mac, u"MAC", false},
          {UiStringId::SearchDevice, u"Search Device", true},
          {UiStringId::Submit, u"Submit", false},
          {UiStringId::Exit, u"Exit", false},
          {UiStringId::InstructionsTitle, u"To Change Device Name, IP address, and Gateway:", true},
          {UiStringId::InstructionStep1, u"1. Select the device on the left side.", true},
          {UiStringId::InstructionStep2, u"2. Change network parameter on the right side.", true},
          {UiStringId::InstructionStep3, u"3. Press Submit button.", true},
          {UiStringId::InstructionStep4, u"4. Press Search Device to re-search again.", true},
          {UiStringId::InstructionStep5, u"5. Double click the device to open it.", true},
          {UiStringId::IpGatewayMismatch, u"IP and Gateway do not match. Do you want to continue?",
           true},
      }} {}

const UiStringEntry& UiStringTable::Entry(UiStringId id) const {
    // Entries sit at the index of their identifier; the table test holds them to it.
    return entries_[static_cast<std::size_t>(id)];
}

const std::u16string& UiStringTable::Text(UiStringId id) const {
    return Entry(id).text();
}

UiStringTable& ProcessUiStringTable() {
    static UiStringTable table;
    return table;
}

}  // namespace norvik
