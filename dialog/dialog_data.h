#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dialog_view.h"
#include "submit_checks.h"  // the limits: kNameMaxChars, kPortMin, kPortMax

namespace norvik {

// The values the dialog exchanges with its edits.
struct DialogData {
    std::u16string user_name;  // the hidden UserName edit
    std::u16string password;   // the hidden Password edit
    std::u16string name;       // the Name edit
    std::u16string mac;        // the MAC edit
    int port = 0;              // the Port1 edit
    // Read on a save only: the rules set these controls themselves, blank or not, which the
    // values cannot tell from 0.0.0.0. (a << 24) | (b << 16) | (c << 8) | d, as DialogView.
    std::uint32_t ip = 0;  // the IP address controls
    std::uint32_t netmask = 0;
    std::uint32_t gateway = 0;
    std::uint32_t dns1 = 0;
    std::uint32_t dns2 = 0;
    bool dhcp = false;  // the DHCP button's check mark
};

// The caption of the application's own boxes, such as a failed check's.
inline constexpr std::u16string_view kApplicationName = u"Norvik";

// Moves the values into the edits (save false), or the edits' texts into the values (save
// true), in the order UserName, Password, Name, MAC, Port1. A save checks that the name has at
// most kNameMaxChars characters and that the port is an integer from kPortMin to kPortMax; it
// stops at the first failed check, tells the person in a box, puts the focus on the edit and
// returns false. A save that passes reads the address controls and the DHCP button too.
// Loading, and a save that passes the name's check, limit the Name edit to kNameMaxChars
// characters. While the port is 0 a save first puts "0" into a Port1 edit whose text reads as
// 0 (ReadLeadingInteger), as an empty one does: the edit shows a port of 0 empty.
bool ExchangeDialogData(DialogView& view, DialogData& data, bool save);

// An integer as the data exchange reads one: blanks around it, an optional sign and at least
// one digit, nothing else, within int's range.
std::optional<int> ParseInteger(std::u16string_view text);

}  // namespace norvik
