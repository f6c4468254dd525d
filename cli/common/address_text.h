#pragma once

#include <optional>
#include <string_view>

#include "device_record.h"

// Addresses as people write them on a command line or in a plan file.
namespace norvik::cli {

// The MAC address forms ParseMac takes, for messages that say what was expected.
inline constexpr std::string_view kMacForms =
    "00:1a:07:10:00:01, 00-1A-07-10-00-01, 001A07100001 or 001a.0710.0001";

// "192.168.1.10": four decimal octets from 0 to 255, nothing else; blanks around are dropped.
std::optional<Ipv4> ParseIpv4(std::string_view text);
// A MAC address as labels and switches print it: six pairs of hexadecimal digits in any case,
// "00:1a:07:10:00:01", "00-1A-07-10-00-01", "001A07100001" or three groups of four,
// "001a.0710.0001"; one separator throughout, blanks around dropped.
std::optional<MacAddress> ParseMac(std::string_view text);

// The text without the spaces and tabs around it.
std::string_view TrimBlanks(std::string_view text);

}  // namespace norvik::cli
