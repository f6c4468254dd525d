#pragma once

#include <optional>
#include <string_view>

#include "device_record.h"

// Addresses as people write them on a command line or in a plan file.
namespace norvik::cli {

// "192.168.1.10": four decimal octets from 0 to 255, nothing else.
std::optional<Ipv4> ParseIpv4(std::string_view text);
inline constexpr std::string_view kMacForms =
    "00:1a:07:10:00:01, 00-1A-07-10-00-01, 001A07100001 or 001a.0710.0001";
// "00:11:22:aa:bb:cc" or "00-11-22-AA-BB-CC": six pairs of hexadecimal digits.
std::optional<MacAddress> ParseMac(std::string_view text);

}  // namespace norvik::cli
