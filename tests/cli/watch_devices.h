#pragma once

// Devices for the watch's tests, made as the program makes them: a device record through the
// scanner's SiteDeviceJson.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "device_json.h"
#include "device_watch.h"
#include "site_cameras.h"

namespace norvik::cli::test {

inline DeviceRecord Record(std::uint8_t last_mac_byte, const std::string& name, Ipv4 ip) {
    DeviceRecord record;
    record.mac = {0x00, 0x11, 0x22, 0x33, 0x44, last_mac_byte};
    record.ip = ip;
    record.netmask = {255, 255, 255, 0};
    std::memcpy(record.name.data(), name.data(), std::min(name.size(), record.name.size()));
    record.http_port = 80;
    record.interface_index = 1;
    record.heard_by = kHeardPcEdit;
    return record;
}

// The device as a search hears it; interface 1 is "eth0", 2 "eth1".
inline HeardDevice Heard(const DeviceRecord& record, std::vector<std::string> warnings = {}) {
    InterfaceNames names{{1, "eth0"}, {2, "eth1"}};
    return MakeHeardDevice(SiteDeviceJson(record, SiteCameras(), names), std::move(warnings));
}

inline HeardDevice Heard(std::uint8_t last_mac_byte, const std::string& name = "cam",
                         Ipv4 ip = {192, 168, 1, 10}) {
    return Heard(Record(last_mac_byte, name, ip));
}

// A camera that answered ONVIF alone, as a search or a Hello hears it; with a MAC when the
// neighbour table knew it.
inline HeardDevice HeardCamera(const std::string& endpoint, std::optional<MacAddress> mac = {},
                               const std::string& name = "door") {
    InterfaceNames names{{1, "eth0"}};
    OnvifDevice camera;
    camera.match.endpoint = endpoint;
    camera.match.types = {"dn:NetworkVideoTransmitter"};
    camera.fields.name = name;
    camera.source = {192, 168, 1, 50};
    camera.interface_index = 1;
    camera.mac = mac;
    return MakeHeardDevice(CameraJson(camera, names), {});
}

}  // namespace norvik::cli::test
