#pragma once

// Devices for the watch's tests, made as the program makes them: a device record through the
// scanner's DeviceJson.
#include <cstring>
#include <string>
#include <vector>

#include "device_json.h"
#include "device_watch.h"

namespace norvik::cli::test {

inline DeviceRecord Record(std::uint8_t last_mac_byte, const std::string& name, Ipv4 ip) {
    DeviceRecord record;
    record.mac = {0x00, 0x11, 0x22, 0x33, 0x44, last_mac_byte};
    record.ip = ip;
    record.netmask = {255, 255, 255, 0};
    std::memcpy(record.name.data(), name.data(), std::min(name.size(), record.name.size()));
    record.http_port = 80;
    record.interface_index = 1;
    return record;
}

// The device as a search hears it; interface 1 is "eth0", 2 "eth1".
inline HeardDevice Heard(const DeviceRecord& record, std::vector<std::string> warnings = {}) {
    InterfaceNames names{{1, "eth0"}, {2, "eth1"}};
    HeardDevice device;
    device.device = DeviceJson(record, names);
    device.device.erase("list_index");
    device.mac = device.device["mac"].get<std::string>();
    device.warnings = std::move(warnings);
    return device;
}

inline HeardDevice Heard(std::uint8_t last_mac_byte, const std::string& name = "cam",
                         Ipv4 ip = {192, 168, 1, 10}) {
    return Heard(Record(last_mac_byte, name, ip));
}

}  // namespace norvik::cli::test
