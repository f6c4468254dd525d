#include "set_request.h"

#include <gtest/gtest.h>

#include <array>

namespace norvik::pcedit {
namespace {

using Buffer = std::array<std::uint8_t, kRequestBufferSize>;

DeviceRecord Camera() {
    DeviceRecord r;
    r.ip = {192, 168, 1, 10};
    r.netmask = {255, 255, 255, 0};
    r.gateway = {192, 168, 1, 1};
    r.mac = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    r.name = {'c', 'a', 'm'};
    r.http_port = 80;
    r.dns1 = {8, 8, 8, 8};
    r.dns2 = {8, 8, 4, 4};
    r.dhcp_on = 0;
    return r;
}

SetValues Unedited(const DeviceRecord& r) {
    SetValues v;
    v.name = r.name;
    v.ip = r.ip;
    v.netmask = r.netmask;
    v.gateway = r.gateway;
    v.dns1 = r.dns1;
    v.dns2 = r.dns2;
    v.http_port = r.http_port;
    v.dhcp = r.dhcp_on != 0;
    return v;
}

// The bytes every set request carries: magic, address marker, address, MAC and netmask.
Buffer Base(const DeviceRecord& r) {
    Buffer b{};
    const char magic[] = "PCEdit";
    std::copy(magic, magic + 6, b.begin());
    b[7] = 0x65;
    b[8] = 0x00;
    b[9] = 0x74;
    b[10] = 0x00;
    std::copy(r.ip.begin(), r.ip.end(), b.begin() + 11);
    std::copy(r.mac.begin(), r.mac.end(), b.begin() + 15);
    std::copy(r.netmask.begin(), r.netmask.end(), b.begin() + 21);
    return b;
}

void ExpectBytes(const Buffer& actual, const Buffer& expected) {
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i]) << "byte " << i;
    }
}

TEST(SetRequest, NothingChangedOrNothingSelectedSendsNothingAndClearsTheBuffer) {
    DeviceRecord r = Camera();
    Buffer buffer;
    buffer.fill(0xEE);
    EXPECT_FALSE(PrepareSetRequest(&r, Unedited(r), buffer));
    ExpectBytes(buffer, Buffer{});
    buffer.fill(0xEE);
    SetValues renamed = Unedited(r);
    renamed.name = NameField("new");
    EXPECT_FALSE(PrepareSetRequest(nullptr, renamed, buffer));
    ExpectBytes(buffer, Buffer{});
}

TEST(SetRequest, ANewNameIsTheOnlyFlagButAddressMacAndNetmaskGoAlong) {
    DeviceRecord r = Camera();
    SetValues v = Unedited(r);
    v.name = NameField("Hall");
    Buffer buffer;
    ASSERT_TRUE(PrepareSetRequest(&r, v, buffer));
    Buffer expected = Base(r);
    expected[32] = 1;
    expected[33] = 'H';
    expected[34] = 'a';
    expected[35] = 'l';
    expected[36] = 'l';
    ExpectBytes(buffer, expected);
    EXPECT_EQ(r.name, (DeviceName{'H', 'a', 'l', 'l'}));
}

TEST(SetRequest, ANewNetmaskSetsTheAddressFlag) {
    DeviceRecord r = Camera();
    SetValues v = Unedited(r);
    v.netmask = {255, 255, 0, 0};
    Buffer buffer;
    ASSERT_TRUE(PrepareSetRequest(&r, v, buffer));
    Buffer expected = Base(r);  // r holds the new netmask already
    expected[6] = 1;
    ExpectBytes(buffer, expected);
    EXPECT_EQ(buffer[23], 0);
}

TEST(SetRequest, AddressGatewayAndPortTogether) {
    DeviceRecord r = Camera();
    SetValues v = Unedited(r);
    v.ip = {10, 0, 0, 5};
    v.gateway = {10, 0, 0, 1};
    v.http_port = 65536;
    Buffer buffer;
    ASSERT_TRUE(PrepareSetRequest(&r, v, buffer));
    Buffer expected = Base(r);
    expected[6] = 1;
    expected[11] = 10;
    expected[12] = 0;
    expected[13] = 0;
    expected[14] = 5;
    expected[25] = 1;
    expected[26] = 0x67;
    expected[28] = 10;
    expected[31] = 1;
    expected[51] = 1;
    const char digits[] = "65536";  // five digits fill the field, no terminator
    std::copy(digits, digits + 5, expected.begin() + 52);
    ExpectBytes(buffer, expected);
    EXPECT_EQ(r.ip, v.ip);
    EXPECT_EQ(r.gateway, v.gateway);
    EXPECT_EQ(r.http_port, 65536);
}

TEST(SetRequest, PortZeroIsSentAsOneDigit) {
    DeviceRecord r = Camera();
    SetValues v = Unedited(r);
    v.http_port = 0;
    Buffer buffer;
    ASSERT_TRUE(PrepareSetRequest(&r, v, buffer));
    Buffer expected = Base(r);
    expected[51] = 1;
    expected[52] = '0';
    ExpectBytes(buffer, expected);
}

TEST(SetRequest, ChangingOneDnsServerSendsBoth) {
    DeviceRecord r = Camera();
    SetValues v = Unedited(r);
    v.dns2 = {1, 1, 1, 1};
    Buffer buffer;
    ASSERT_TRUE(PrepareSetRequest(&r, v, buffer));
    Buffer expected = Base(r);
    expected[63] = 1;
    for (int i = 0; i < 4; ++i) {
        expected[static_cast<std::size_t>(64 + i)] = 8;
        expected[static_cast<std::size_t>(68 + i)] = 1;
    }
    ExpectBytes(buffer, expected);
}

TEST(SetRequest, TheDhcpChoiceIsSentAgainUntilTheDeviceReportsIt) {
    DeviceRecord r = Camera();
    SetValues v = Unedited(r);
    v.dhcp = true;
    for (int submit = 0; submit < 2; ++submit) {
        Buffer buffer;
        ASSERT_TRUE(PrepareSetRequest(&r, v, buffer)) << "submit " << submit;
        Buffer expected = Base(r);
        expected[72] = 1;
        expected[73] = 1;
        ExpectBytes(buffer, expected);
        EXPECT_EQ(r.dhcp_on, 0);
    }
}

TEST(SetRequest, NamesAreCutAtACharacterBoundary) {
    EXPECT_EQ(NameField("abcdefghijklmnopqr"),
              (DeviceName{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o',
                          'p', 'q', 'r'}));
    // 16 ASCII bytes and a three-byte character: the character does not fit and is left out.
    const DeviceName cut = NameField(QString("abcdefghijklmnop") + QChar(0x651D));
    EXPECT_EQ(cut[15], 'p');
    EXPECT_EQ(cut[16], 0);
    EXPECT_EQ(cut[17], 0);
    // Six three-byte characters fill the field exactly.
    const DeviceName six = NameField(QString(6, QChar(0x651D)));
    EXPECT_EQ(six[15], 0xE6);
    EXPECT_EQ(six[17], 0x9D);
}

}  // namespace
}  // namespace norvik::pcedit
