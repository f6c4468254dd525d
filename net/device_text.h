#pragma once

#include <QString>

#include "device_record.h"
#include "wire.h"

namespace norvik {

// The two texts a device's row shows besides its number.
struct RowTexts {
    QString name;
    QString address;
};

// Bytes decoded from UTF-8 up to the first NUL; invalid bytes become U+FFFD.
QString TextUpToNul(ByteSpan bytes);
inline QString NameText(const DeviceName& name) {
    return TextUpToNul(name);
}
// Each octet zero-padded to three digits ("192.168.001.010"), so that the texts sort by address.
QString AddressText(const Ipv4& address);
RowTexts MakeRowTexts(const DeviceName& name, const Ipv4& address);
// Column 0 of a row: list_index + 1 in decimal.
QString RowNumberText(int list_index);
// Reads a row number the way the C library's _wtoi does: leading blanks, an optional sign,
// then digits up to the first other character; text without digits reads as 0.
int ParseRowNumber(const QString& text);
// "00:11:22:aa:bb:cc"
QString MacText(const MacAddress& mac);

}  // namespace norvik
