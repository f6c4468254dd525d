// The simulator's packets against the test's own layout of the protocol tables (report_bytes.h)
// and literal offsets, so that a wrong constant in the simulator cannot agree with itself.
#include "devsim/packets.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "report_bytes.h"

namespace norvik::devsim {
namespace {

using test::Bytes;

using test::PcEditSearchRequest;
using test::Put;

// A copy of the bytes with the values written from the offset on.
Bytes With(Bytes bytes, std::size_t offset, const Bytes& values) {
    Put(bytes, offset, values);
    return bytes;
}

Bytes Resized(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

// Every field non-zero and distinct, so that a field written to the wrong place shows.
Device SampleDevice(Protocol protocol) {
    Device device;
    device.protocol = protocol;
    device.mac = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    device.ip = {192, 168, 1, 10};
    device.gateway = {192, 168, 1, 1};
    device.name = *NameFromText("cam-1");
    device.port2 = 554;
    device.dns1 = {8, 8, 8, 8};
    device.dns2 = {8, 8, 4, 4};
    device.dhcp = 1;
    device.tag = *TagFromText("AB");
    return device;
}

// SampleDevice as the test's own layout describes it.
test::Device SampleFields() {
    test::Device fields;
    fields.Named("cam-1");
    fields.port2 = "554";
    fields.dns2 = {8, 8, 4, 4};
    fields.dhcp = 1;
    return fields;
}

TEST(DevsimReports, CarryEveryFieldAtItsOffsetWhateverTheLength) {
    Device device = SampleDevice(Protocol::kPcEdit);
    test::Device fields = SampleFields();
    EXPECT_EQ(BuildReport(device), test::PcEditReport(fields));
    EXPECT_EQ(BuildReport(SampleDevice(Protocol::k3297)), test::Report3297(fields));

    device.name = *NameFromText("abcdefghijklmnopqr");  // 18 bytes, no NUL
    fields.Named("abcdefghijklmnopqr");
    device.http_port = -2;
    fields.http_port = "-2";
    device.port2 = 65536;
    fields.port2 = "65536";
    device.report_type = 1;
    for (std::size_t length : {0u, 49u, 50u, 69u, 1200u}) {
        device.report_length = length;
        EXPECT_EQ(BuildReport(device), test::PcEditReport(fields, length, 1)) << length;
    }
    // The 3297 header states the regular length whatever the datagram's real one.
    device.protocol = Protocol::k3297;
    device.report_type = 3;
    for (std::size_t length : {444u, 446u}) {
        device.report_length = length;
        EXPECT_EQ(BuildReport(device), test::Report3297(fields, 3, length)) << length;
    }
}

// A set request as the program's Submit writes it: the device's address, MAC and netmask
// always, the fields that changed with flag 1; here only the name.
Bytes NameOnlySetRequest() {
    Bytes request(74, 0);
    Put(request, 0, {'P', 'C', 'E', 'd', 'i', 't', 0, 0x65, 0x00, 0x74, 0x00});
    Put(request, 11, {192, 168, 1, 10, 0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc, 255, 255, 255, 0});
    Put(request, 32, {1, 'H', 'a', 'l', 'l'});
    return request;
}

TEST(DevsimPcEditRequest, TellsSearchesFromOtherDatagrams) {
    const Bytes search = PcEditSearchRequest();
    EXPECT_TRUE(std::holds_alternative<PcEditSearch>(ParsePcEditRequest(search)));
    // The Search command re-sends what a Submit left in the buffer, with 2 in bytes 6 and 25.
    const Bytes after_submit = With(With(NameOnlySetRequest(), 6, {2}), 25, {2});
    EXPECT_TRUE(std::holds_alternative<PcEditSearch>(ParsePcEditRequest(after_submit)));
    for (const Bytes& datagram : {Resized(search, 73), Resized(search, 75), With(search, 5, {'T'}),
                                  BuildReport(SampleDevice(Protocol::kPcEdit)), Bytes{}}) {
        EXPECT_TRUE(std::holds_alternative<NotARequest>(ParsePcEditRequest(datagram)))
            << datagram.size() << " bytes";
    }
}

TEST(DevsimPcEditRequest, SetRequestChangesOnlyTheFlaggedFields) {
    Bytes request = NameOnlySetRequest();
    request[6] = 1;
    Put(request, 11, {10, 0, 0, 5});
    Put(request, 21, {255, 0, 0, 0, 1, 0x67, 0x00, 10, 0, 0, 1});  // and the gateway
    request[32] = 2;  // a flag of 2 in a set request changes nothing
    Put(request, 51, {1, '6', '5', '5', '3', '6'});
    Put(request, 63, {1, 1, 1, 1, 1, 9, 9, 9, 9, 1, 1});  // DNS 1 and 2, DHCP
    const auto all = ParsePcEditRequest(request);
    ASSERT_TRUE(std::holds_alternative<PcEditSet>(all));
    EXPECT_EQ(std::get<PcEditSet>(all).target, (Mac{0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}));
    SettingsChange expected;
    expected.ip = Ipv4{10, 0, 0, 5};
    expected.netmask = Ipv4{255, 0, 0, 0};
    expected.gateway = Ipv4{10, 0, 0, 1};
    expected.http_port = 65536;
    expected.dns1 = Ipv4{1, 1, 1, 1};
    expected.dns2 = Ipv4{9, 9, 9, 9};
    expected.dhcp = 1;
    EXPECT_EQ(std::get<PcEditSet>(all).change, expected);

    // Without the fixed bytes after the flag, or those before a new gateway, it is refused.
    const auto refused = ParsePcEditRequest(With(NameOnlySetRequest(), 9, {0}));
    ASSERT_TRUE(std::holds_alternative<MalformedSet>(refused));
    EXPECT_EQ(std::get<MalformedSet>(refused).target, (Mac{0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}));
    const Bytes gateway_alone = With(NameOnlySetRequest(), 25, {1, 0, 0, 10, 0, 0, 1});
    EXPECT_TRUE(std::holds_alternative<MalformedSet>(ParsePcEditRequest(gateway_alone)));
}

TEST(DevsimPcEditRequest, PortDigitsReadLikeAtoi) {
    EXPECT_EQ(ReadAsciiDecimal(Bytes{'1', '2', '3', 'x', '9'}), 123);
    EXPECT_EQ(ReadAsciiDecimal(Bytes{' ', '-', '1', '2', 0}), -12);
    EXPECT_EQ(ReadAsciiDecimal(Bytes{'+', '7', 0, '5', 0}), 7);
    EXPECT_EQ(ReadAsciiDecimal(Bytes{0, 0, 0, 0, 0}), 0);
}

TEST(Devsim3297Request, OnlyTheExactSearchIsAnswered) {
    const Bytes search = test::Search3297Request();
    EXPECT_TRUE(std::holds_alternative<Search3297>(Parse3297Request(search)));
    // A report's type byte instead of the ASCII digit, a byte too few or too many, a wrong
    // length field or magic.
    for (const Bytes& datagram : {With(search, 6, {1}), Resized(search, 444), Resized(search, 446),
                                  With(search, 5, {0}), With(search, 3, {'8'})}) {
        EXPECT_TRUE(std::holds_alternative<NotARequest>(Parse3297Request(datagram)))
            << datagram.size() << " bytes, type " << int(datagram[6]);
    }
}

}  // namespace
}  // namespace norvik::devsim
