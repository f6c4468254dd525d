#include "devsim/generate.h"

#include <gtest/gtest.h>

namespace norvik::devsim {
namespace {

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

}  // namespace
}  // namespace norvik::devsim
