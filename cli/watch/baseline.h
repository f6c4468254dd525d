#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "device_watch.h"

// A saved `norvik-scan --json` document, which norvik-watch's first search is compared with.
namespace norvik::cli {

struct Baseline {
    std::vector<HeardDevice> devices;  // in the document's order
    std::string error;                 // what is wrong with the document; empty when it read
};

// Documents larger than this are refused unread: a full list's scan is about 9 MB.
inline constexpr std::size_t kMaxBaselineBytes = 32u << 20;

// A scan lists the devices of a full list and as many cameras that answered ONVIF alone.
inline constexpr std::size_t kMaxBaselineDevices = 2 * DeviceList::kMaxDevices;

// Reads the document's "devices": each must have every field of the scanner's record, of its
// type, and a MAC; a camera that answered ONVIF alone every field of its record and a MAC or
// an endpoint. Unknown members are passed over; list_index is not kept.
Baseline ReadBaseline(std::string_view text);

}  // namespace norvik::cli
