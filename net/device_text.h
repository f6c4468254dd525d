#pragma once

#include <string>
#include <string_view>

#include "device_record.h"
#include "wire.h"

namespace norvik {

// The two texts a device's row shows besides its number.
struct RowTexts {
    std::u16string name;
    std::u16string address;
};

// Bytes decoded from UTF-8 up to the first NUL; invalid bytes become U+FFFD.
std::u16string TextUpToNul(ByteSpan bytes);
inline std::u16string NameText(const DeviceName& name) {
    return TextUpToNul(name);
}
// Each octet zero-padded to three digits ("192.168.001.010"), so that the texts sort by address.
std::u16string AddressText(const Ipv4& address);
RowTexts MakeRowTexts(const DeviceName& name, const Ipv4& address);
// Column 0 of a row: list_index + 1 in decimal.
std::u16string RowNumberText(int list_index);
// Reads the integer at the start of a text the way the C library's _wtoi and Windows'
// GetDlgItemInt do: leading blanks, an optional sign, then digits up to the first other
// character; text without digits reads as 0. Row numbers and the port edit are read so.
int ReadLeadingInteger(std::u16string_view text);
// "00:11:22:aa:bb:cc"
std::u16string MacText(const MacAddress& mac);

}  // namespace norvik
