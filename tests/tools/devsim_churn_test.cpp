#include "devsim/churn.h"

#include <gtest/gtest.h>

#include <set>

#include "devsim/generate.h"

namespace norvik::devsim {
namespace {

std::vector<Device> Generated(std::uint32_t pcedit, std::uint32_t devices_3297,
                              const GeneratorBase& base) {
    std::vector<Device> devices;
    std::uint32_t index = 0;
    for (std::uint32_t i = 0; i < pcedit; ++i) {
        devices.push_back(GenerateDevice(Protocol::kPcEdit, index++, base));
    }
    for (std::uint32_t i = 0; i < devices_3297; ++i) {
        devices.push_back(GenerateDevice(Protocol::k3297, index++, base));
    }
    return devices;
}

TEST(DevsimGenerate, IndexesCarryAcrossByteBoundaries) {
    GeneratorBase base;
    base.first_ip = {10, 0, 0, 250};
    base.first_mac = {0x02, 0x00, 0x00, 0x00, 0xff, 0xfe};
    const Device carried = GenerateDevice(Protocol::k3297, 258, base);
    EXPECT_EQ(carried.mac, (Mac{0x02, 0x00, 0x00, 0x01, 0x01, 0x00}));
    EXPECT_EQ(carried.ip, (Ipv4{10, 0, 1, 252}));
    EXPECT_EQ(carried.gateway, (Ipv4{10, 0, 1, 1}));
    EXPECT_EQ(carried.name, *NameFromText("3297-259"));
    EXPECT_EQ(GenerateDevice(Protocol::kPcEdit, 0, base).mac, base.first_mac);
}

// Over many rounds of the table every device that comes in is new: a MAC, address and name
// nobody had before, of the protocol of the one it replaces.
TEST(DevsimChurn, DevicesThatComeInAreNewAndKeepTheProtocolMix) {
    const GeneratorBase base;
    std::vector<Device> devices = Generated(3, 2, base);
    DeviceChurn churn({2, 0}, base, 5);
    std::set<Mac> macs;
    std::set<Ipv4> addresses;
    for (const Device& device : devices) {
        macs.insert(device.mac);
        addresses.insert(device.ip);
    }
    for (int step = 0; step < 20; ++step) {
        const std::vector<Device> before = devices;
        const std::vector<std::size_t> replaced = churn.Step(devices);
        ASSERT_EQ(replaced.size(), 2u);
        // Round the table in turn: slots 0 1, 2 3, 4 0, ...
        EXPECT_EQ(replaced[0], (2u * step) % 5);
        EXPECT_EQ(replaced[1], (2u * step + 1) % 5);
        for (std::size_t slot = 0; slot < devices.size(); ++slot) {
            const bool was_replaced = slot == replaced[0] || slot == replaced[1];
            EXPECT_EQ(devices[slot] == before[slot], !was_replaced) << "slot " << slot;
            EXPECT_EQ(devices[slot].protocol, slot < 3 ? Protocol::kPcEdit : Protocol::k3297);
            if (was_replaced) {
                EXPECT_TRUE(macs.insert(devices[slot].mac).second) << "a MAC came back";
                EXPECT_TRUE(addresses.insert(devices[slot].ip).second) << "an address came back";
            }
        }
    }
    EXPECT_EQ(macs.size(), 5u + 40u);
    EXPECT_EQ(churn.steps(), 20u);
    // Generated with the next indexes: the first newcomer is device index 5.
    EXPECT_EQ(*macs.rbegin(), GenerateDevice(Protocol::kPcEdit, 44, base).mac);
}

TEST(DevsimChurn, MovedDevicesKeepTheirMacAndChangeNameAndAddressEveryTime) {
    const GeneratorBase base;
    std::vector<Device> devices = Generated(4, 0, base);
    const std::vector<Device> original = devices;
    DeviceChurn churn({0, 3}, base, 4);
    EXPECT_TRUE(churn.Step(devices).empty());
    for (std::size_t slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(devices[slot].mac, original[slot].mac);
        EXPECT_EQ(devices[slot].ip, (Ipv4{192, 169, 1, static_cast<std::uint8_t>(100 + slot)}));
        EXPECT_EQ(devices[slot].gateway, (Ipv4{192, 169, 1, 1}));
        EXPECT_EQ(devices[slot].name, *NameFromText("moved-1-" + std::to_string(slot)));
    }
    EXPECT_EQ(devices[3], original[3]);
    // The next step goes on at slot 3 and round to slots 0 and 1, whose addresses flip back.
    churn.Step(devices);
    EXPECT_EQ(devices[3].ip, (Ipv4{192, 169, 1, 103}));
    EXPECT_EQ(devices[0].ip, original[0].ip);
    EXPECT_EQ(devices[0].name, *NameFromText("moved-2-0"));
    EXPECT_EQ(devices[2].name, *NameFromText("moved-1-2"));
}

// More than the table holds: each device at most once a step; an empty table is no fault.
TEST(DevsimChurn, AStepTouchesEachDeviceAtMostOnce) {
    const GeneratorBase base;
    std::vector<Device> devices = Generated(1, 1, base);
    DeviceChurn churn({5, 5}, base, 2);
    const std::vector<std::size_t> replaced = churn.Step(devices);
    EXPECT_EQ(replaced, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(devices[0].mac, GenerateDevice(Protocol::kPcEdit, 2, base).mac);
    EXPECT_EQ(devices[1].mac, GenerateDevice(Protocol::k3297, 3, base).mac);
    std::vector<Device> none;
    EXPECT_TRUE(churn.Step(none).empty());
}

}  // namespace
}  // namespace norvik::devsim
