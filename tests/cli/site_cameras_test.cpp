// The ONVIF cameras beside the devices of the two protocols: which camera is which device, and
// the warnings that look across protocols.
#include "site_cameras.h"

#include <gtest/gtest.h>

#include "device_warnings.h"

namespace norvik::cli {
namespace {

DeviceRecord Device(std::uint8_t last_mac_byte, Ipv4 ip) {
    DeviceRecord record;
    record.mac = {0x00, 0x11, 0x22, 0x33, 0x44, last_mac_byte};
    record.ip = ip;
    record.netmask = {255, 255, 255, 0};
    record.heard_by = kHeardPcEdit;
    return record;
}

OnvifDevice Camera(const std::string& endpoint, Ipv4 source, std::optional<MacAddress> mac) {
    OnvifDevice camera;
    camera.match.endpoint = endpoint;
    camera.source = source;
    camera.mac = mac;
    return camera;
}

const NetworkInterface kCard{2, "eth0", {10, 0, 0, 1}, {255, 255, 255, 0}};

TEST(SiteCameras, ACameraWithADevicesMacIsThatDeviceTheOthersStandAlone) {
    const std::vector<DeviceRecord> devices = {Device(1, {10, 0, 0, 5}), Device(2, {10, 0, 0, 6})};
    const SiteCameras cameras(
        {Camera("urn:uuid:a", {10, 0, 0, 5}, devices[0].mac),
         // One device, two endpoints: the record holds the first, the second stands alone.
         Camera("urn:uuid:b", {10, 0, 0, 5}, devices[0].mac),
         Camera("urn:uuid:c", {10, 0, 0, 7}, std::nullopt),
         Camera("urn:uuid:d", {10, 0, 0, 8}, MacAddress{2, 0, 0, 0, 0, 9})},
        devices);
    ASSERT_NE(cameras.Of(devices[0]), nullptr);
    EXPECT_EQ(cameras.Of(devices[0])->match.endpoint, "urn:uuid:a");
    EXPECT_EQ(cameras.Of(devices[1]), nullptr);
    ASSERT_EQ(cameras.alone().size(), 3u);
    EXPECT_EQ(cameras.alone()[0]->match.endpoint, "urn:uuid:b");
    EXPECT_EQ(cameras.alone()[2]->match.endpoint, "urn:uuid:d");
    EXPECT_EQ(ProtocolLabel({"pcedit", "onvif"}), "pcedit,onvif");
}

TEST(SiteCameras, ADuplicateAddressIsSeenAcrossProtocolsWhereTheMacsSaySo) {
    std::vector<DeviceRecord> devices = {Device(1, {10, 0, 0, 5}), Device(2, {10, 0, 0, 6})};
    devices[1].other_address_heard = true;  // its MAC answered from another address too
    const SiteCameras cameras(
        {// Another MAC on a device's address: the conflict installers miss.
         Camera("urn:uuid:other-mac", {10, 0, 0, 5}, MacAddress{2, 0, 0, 0, 0, 9}),
         // No MAC known on a device's address: maybe the device itself, no claim.
         Camera("urn:uuid:maybe-same", {10, 0, 0, 6}, std::nullopt),
         // Two endpoints on one address, neither MAC known: two devices.
         Camera("urn:uuid:x", {10, 0, 0, 7}, std::nullopt),
         Camera("urn:uuid:y", {10, 0, 0, 7}, std::nullopt),
         Camera("urn:uuid:far", {192, 168, 9, 9}, std::nullopt),
         Camera("urn:uuid:none", {0, 0, 0, 0}, std::nullopt)},
        devices);
    const auto warnings = DeviceWarnings(devices, std::vector{kCard}, cameras);
    using W = std::vector<std::string>;
    const W duplicate = {"duplicate-ip"};
    // The two devices, then the cameras in their order.
    EXPECT_EQ(warnings, (std::vector<W>{duplicate, W{"duplicate-mac"}, duplicate, W{}, duplicate,
                                        duplicate, W{"outside-every-card"}, W{"no-address"}}));
}

}  // namespace
}  // namespace norvik::cli
