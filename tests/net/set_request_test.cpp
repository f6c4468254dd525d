#include "set_request.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace norvik::pcedit {
namespace {

using Buffer = std::array<std::uint8_t, kRequestBufferSize>;

// A camera as the selected record of a list.
DeviceRecord& SelectCamera(DeviceList& list) {
    DeviceRecord& r = *list.AppendRecord({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
    list.SetAddress(r, {192, 168, 1, 10});
    r.netmask = {255, 255, 255, 0};
    r.gateway = {192, 168, 1, 1};
    r.name = {'c', 'a', 'm'};
    r.http_port = 80;
    r.dns1 = {8, 8, 8, 8};
    r.dns2 = {8, 8, 4, 4};
    list.set_selected(&r);
    return r;
}

SetValues Unedited(const DeviceRecord& r) {
    return {r.name, r.ip, r.netmask, r.gateway, r.dns1, r.dns2, r.http_port, r.dhcp_on != 0};
}

void ExpectBytes(const Buffer& actual, const Buffer& expected) {
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i]) << "byte " << i;
    }
}

TEST(SetRequest, NothingChangedOrNothingSelectedSendsNothingAndClearsTheBuffer) {
    DeviceList list;
    DeviceRecord& r = SelectCamera(list);
    Buffer buffer;
    buffer.fill(0xEE);
    EXPECT_FALSE(PrepareSetRequest(list, Unedited(r), buffer));
    ExpectBytes(buffer, Buffer{});
    buffer.fill(0xEE);
    SetValues renamed = Unedited(r);
    renamed.name = NameField(u"new");
    list.set_selected(nullptr);
    EXPECT_FALSE(PrepareSetRequest(list, renamed, buffer));
    ExpectBytes(buffer, Buffer{});
}

// Submits the values for a fresh camera and checks every byte of the request: those that
// every request carries (magic, marker, address, MAC and netmask) and the given fields. The
// record takes the values, so the same values again send nothing; only the DHCP choice is
// sent again until the device itself reports it.
void ExpectRequest(const char* change, const SetValues& v,
                   const std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>>& fields,
                   bool sent_again = false) {
    SCOPED_TRACE(change);
    DeviceList list;
    DeviceRecord& r = SelectCamera(list);
    Buffer buffer;
    ASSERT_TRUE(PrepareSetRequest(list, v, buffer));
    Buffer expected{'P', 'C', 'E',  'd',  'i',  't',  0,    0x65, 0x00, 0x74, 0x00, 192, 168,
                    1,   10,  0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 255,  255,  255,  0};
    for (const auto& [offset, bytes] : fields) {
        std::copy(bytes.begin(), bytes.end(), expected.begin() + static_cast<long>(offset));
    }
    ExpectBytes(buffer, expected);
    EXPECT_EQ(r.dhcp_on, 0);
    EXPECT_EQ(PrepareSetRequest(list, v, buffer), sent_again);
    // A new address is found by the device's MAC at once.
    EXPECT_EQ(list.FindByMac(r.mac), &r);
}

TEST(SetRequest, OnlyTheChangedFieldsAreFlaggedAndTheRecordTakesThem) {
    DeviceList list;
    const SetValues unedited = Unedited(SelectCamera(list));
    SetValues v = unedited;
    v.name = NameField(u"Hall");
    ExpectRequest("name", v, {{32, {1, 'H', 'a', 'l', 'l'}}});
    v = unedited;
    v.netmask = {255, 255, 0, 0};
    ExpectRequest("netmask", v, {{6, {1}}, {21, {255, 255, 0, 0}}});
    v = unedited;
    v.ip = {10, 0, 0, 5};
    v.gateway = {10, 0, 0, 1};
    v.http_port = 65536;
    ExpectRequest("address, gateway and a five-digit port", v,
                  {{6, {1}},
                   {11, {10, 0, 0, 5}},
                   {25, {1, 0x67, 0x00, 10, 0, 0, 1}},
                   {51, {1, '6', '5', '5', '3', '6', 0}}});
    v = unedited;
    v.http_port = 0;
    ExpectRequest("port 0", v, {{51, {1, '0', 0}}});
    v = unedited;
    v.dns2 = {1, 1, 1, 1};
    ExpectRequest("DNS 2 only", v, {{63, {1, 8, 8, 8, 8, 1, 1, 1, 1}}});
    v = unedited;
    v.dhcp = true;
    ExpectRequest("DHCP", v, {{72, {1, 1}}}, /*sent_again=*/true);
    // Names that fill the field differ in their last byte alone.
    list.selected()->name = NameField(u"abcdefghijklmnopqr");
    v = Unedited(*list.selected());
    v.name[17] = 's';
    Buffer buffer;
    EXPECT_TRUE(PrepareSetRequest(list, v, buffer));
    EXPECT_EQ(buffer[33 + 17], 's');
}

TEST(SetRequest, NamesAreCutAtACharacterBoundary) {
    const auto field = [](std::u16string_view name) {
        const DeviceName bytes = NameField(name);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(field(u"abcdefghijklmnopqr"), "abcdefghijklmnopqr");
    // 16 ASCII bytes and a three-byte character: the character does not fit and is left out.
    EXPECT_EQ(field(u"abcdefghijklmnop\u651D"), std::string("abcdefghijklmnop\0\0", 18));
    // Six three-byte characters fill the field exactly.
    EXPECT_EQ(field(std::u16string(6, u'\u651D')), "\u651D\u651D\u651D\u651D\u651D\u651D");
}

}  // namespace
}  // namespace norvik::pcedit
