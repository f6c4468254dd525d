#include "devsim/generate.h"

#include <gtest/gtest.h>

#include <set>

namespace norvik::devsim {
namespace {

TEST(DevsimGenerate, IndexesGiveDistinctDevicesAcrossByteBoundaries) {
    GeneratorBase base;
    base.first_ip = {10, 0, 0, 250};
    base.first_mac = {0x02, 0x00, 0x00, 0x00, 0xff, 0xfe};
    std::set<Mac> macs;
    std::set<Ipv4> addresses;
    std::set<NameField> names;
    constexpr std::uint32_t kCount = 600;
    for (std::uint32_t i = 0; i < kCount; ++i) {
        const Device device = GenerateDevice(i % 2 ? Protocol::k3297 : Protocol::kPcEdit, i, base);
        macs.insert(device.mac);
        addresses.insert(device.ip);
        names.insert(device.name);
    }
    EXPECT_EQ(macs.size(), kCount);
    EXPECT_EQ(addresses.size(), kCount);
    EXPECT_EQ(names.size(), kCount);

    const Device carried = GenerateDevice(Protocol::k3297, 258, base);
    EXPECT_EQ(carried.mac, (Mac{0x02, 0x00, 0x00, 0x01, 0x01, 0x00}));
    EXPECT_EQ(carried.ip, (Ipv4{10, 0, 1, 252}));
    EXPECT_EQ(carried.gateway, (Ipv4{10, 0, 1, 1}));
    EXPECT_EQ(carried.name, *NameFromText("3297-259"));
    EXPECT_EQ(carried.protocol, Protocol::k3297);
    EXPECT_EQ(GenerateDevice(Protocol::kPcEdit, 0, base).mac, base.first_mac);
}

}  // namespace
}  // namespace norvik::devsim
