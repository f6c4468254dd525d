#pragma once

#include <string_view>

#include "device_list.h"
#include "device_record.h"
#include "pcedit.h"

// The PCEdit set request that Submit sends: the fields that differ from the device's record
// are flagged and carried, and the record takes them in place.
namespace norvik::pcedit {

// The settings as the person left them in the dialog.
struct SetValues {
    DeviceName name{};  // UTF-8, NUL-filled
    Ipv4 ip{};
    Ipv4 netmask{};
    Ipv4 gateway{};
    Ipv4 dns1{};
    Ipv4 dns2{};
    int http_port = 0;
    bool dhcp = false;
};

inline constexpr std::uint8_t kAddressMarker[] = {0x65, 0x00, 0x74, 0x00};
inline constexpr std::uint8_t kGatewayMarker[] = {0x67, 0x00};

// Clears the whole buffer, then, when a device is selected and a value differs from its
// record, writes the set request into it and the sent values (all but the DHCP choice) into
// the record. Returns whether there is a request to send.
bool PrepareSetRequest(DeviceList& devices, const SetValues& values, RequestBytes buffer);

// The device name field: the name's UTF-8 bytes, at most 18 and never half a character.
DeviceName NameField(std::u16string_view name);

}  // namespace norvik::pcedit
