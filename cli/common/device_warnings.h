#pragma once

#include <span>
#include <string>
#include <vector>

#include "device_record.h"
#include "network_interfaces.h"
#include "site_cameras.h"

// What is wrong with the settings a device reports, as the scanner tells it.
namespace norvik::cli {

// For each device, in the order given, then for each camera that stands alone, its warnings in
// this order (none when all is well):
//   "no-address"              0.0.0.0
//   "link-local"              169.254.0.0/16
//   "duplicate-ip"            another device has the same address, in any protocol: one with
//                             another MAC, or a camera of another endpoint when neither MAC is
//                             known (a camera whose MAC is not known is no duplicate of a
//                             device whose MAC is: they may be one)
//   "duplicate-mac"           its MAC answered the search from another address too: two
//                             devices may share it, and a request by MAC reaches both
//   "outside-every-card"      no card's subnet holds the address: its web page will not open
//                             from this PC, though a set request by MAC still reaches it
//   "gateway-outside-subnet"  a gateway other than 0.0.0.0 outside the device's subnet
//   "netmask-not-contiguous"  the mask's one bits do not all come before its zero bits
// A camera reports no netmask or gateway: the last two are the devices' only.
std::vector<std::vector<std::string>> DeviceWarnings(std::span<const DeviceRecord> devices,
                                                     std::span<const NetworkInterface> cards,
                                                     const SiteCameras& cameras = {});

}  // namespace norvik::cli
