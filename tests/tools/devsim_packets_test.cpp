// The simulator's packets against byte values written out here from the protocol tables, with
// literal offsets, so that a wrong constant in the simulator cannot agree with itself.
#include "devsim/packets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace norvik::devsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& bytes, std::size_t offset, const Bytes& values) {
    std::copy(values.begin(), values.end(), bytes.begin() + static_cast<long>(offset));
}

void PutText(Bytes& bytes, std::size_t offset, const char* text) {
    std::memcpy(bytes.data() + offset, text, std::strlen(text));
}

Device SampleDevice(Protocol protocol) {
    Device device;
    device.protocol = protocol;
    device.mac = {0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc};
    device.ip = {192, 168, 1, 10};
    device.netmask = {255, 255, 255, 0};
    device.gateway = {192, 168, 1, 1};
    device.name = *NameFromText("cam-1");
    device.http_port = 8080;
    device.port2 = 554;
    device.dns1 = {8, 8, 8, 8};
    device.dns2 = {8, 8, 4, 4};
    device.dhcp = 1;
    device.tag = *TagFromText("AB");
    return device;
}

const Bytes kSamplePcEditReport = {
    'I',  'P',  'C',  'a',  'm',                  // 0: magic
    0,                                            // 5: type, device report
    'A',  'B',  0,    0,                          // 6: tag
    192,  168,  1,    10,                         // 10: address
    0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc,           // 14: MAC
    255,  255,  255,  0,                          // 20: netmask
    0,    0,    0,                                // 24: not read
    192,  168,  1,    1,                          // 27: gateway
    0,                                            // 31: not read
    'c',  'a',  'm',  '-',  '1',  0,    0, 0, 0,  // 32: name, 18 bytes
    0,    0,    0,    0,    0,    0,    0, 0, 0,  //
    '8',  '0',  '8',  '0',  0,                    // 50: web port
    '5',  '5',  '4',  0,    0,                    // 55: second port
    0,                                            // 60: not read
    8,    8,    8,    8,                          // 61: DNS 1
    8,    8,    4,    4,                          // 65: DNS 2
    1,                                            // 69: DHCP
};

TEST(DevsimPcEditReport, CarriesEveryFieldAtItsOffset) {
    EXPECT_EQ(BuildPcEditReport(SampleDevice(Protocol::kPcEdit)), kSamplePcEditReport);
    EXPECT_EQ(BuildReport(SampleDevice(Protocol::kPcEdit)), kSamplePcEditReport);
    EXPECT_EQ(ReportPort(SampleDevice(Protocol::kPcEdit)), 4022);
}

TEST(DevsimPcEditReport, OddLengthsTypesAndNames) {
    Device device = SampleDevice(Protocol::kPcEdit);
    for (std::size_t length : {0u, 49u, 50u, 59u, 69u}) {
        device.report_length = length;
        const Bytes expected(kSamplePcEditReport.begin(),
                             kSamplePcEditReport.begin() + static_cast<long>(length));
        EXPECT_EQ(BuildPcEditReport(device), expected) << length << " bytes";
    }
    device.report_length = 1200;
    Bytes oversized = kSamplePcEditReport;
    oversized.resize(1200, 0);
    EXPECT_EQ(BuildPcEditReport(device), oversized);

    device = SampleDevice(Protocol::kPcEdit);
    device.report_type = 1;
    device.name = *NameFromText("abcdefghijklmnopqr");  // 18 bytes, no NUL
    device.http_port = 0;
    device.port2 = 65536;
    Bytes expected = kSamplePcEditReport;
    expected[5] = 1;
    PutText(expected, 32, "abcdefghijklmnopqr");
    Put(expected, 50, {'0', 0, 0, 0, 0, '6', '5', '5', '3', '6'});
    EXPECT_EQ(BuildPcEditReport(device), expected);
}

Bytes Sample3297Report() {
    Bytes bytes(445, 0);
    Put(bytes, 0, {'3', '2', '9', '7', 0xbd, 0x01, 0x01});  // magic, length 445, type 1
    Put(bytes, 8, {0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc});
    Put(bytes, 14, {'A', 'B', 0, 0});
    Put(bytes, 23, {192, 168, 1, 10});
    Put(bytes, 39, {255, 255, 255, 0});
    Put(bytes, 57, {192, 168, 1, 1});
    Put(bytes, 74, {0x90, 0x1f, 0x00, 0x00});  // 8080
    Put(bytes, 79, {0x2a, 0x02, 0x00, 0x00});  // 554
    Put(bytes, 84, {8, 8, 8, 8});
    Put(bytes, 100, {8, 8, 4, 4});
    bytes[117] = 1;
    PutText(bytes, 380, "cam-1");
    return bytes;
}

TEST(Devsim3297Report, CarriesEveryFieldAtItsOffset) {
    EXPECT_EQ(Build3297Report(SampleDevice(Protocol::k3297)), Sample3297Report());
    EXPECT_EQ(BuildReport(SampleDevice(Protocol::k3297)), Sample3297Report());
    EXPECT_EQ(ReportPort(SampleDevice(Protocol::k3297)), 4023);
}

TEST(Devsim3297Report, OddLengthsKeepTheRegularHeader) {
    Device device = SampleDevice(Protocol::k3297);
    device.report_type = 3;
    device.report_length = 444;
    device.http_port = -2;
    device.name = *NameFromText("abcdefghijklmnopqr");
    Bytes expected = Sample3297Report();
    expected[6] = 3;
    Put(expected, 74, {0xfe, 0xff, 0xff, 0xff});
    PutText(expected, 380, "abcdefghijklmnopqr");
    expected.resize(444);
    EXPECT_EQ(Build3297Report(device), expected);

    device.report_length = 446;
    expected = Sample3297Report();
    expected[6] = 3;
    Put(expected, 74, {0xfe, 0xff, 0xff, 0xff});
    PutText(expected, 380, "abcdefghijklmnopqr");
    expected.push_back(0);
    EXPECT_EQ(Build3297Report(device), expected);
}

Bytes PcEditSearchRequest() {
    Bytes request(74, 0);
    PutText(request, 0, "PCEdit");
    request[6] = request[25] = request[32] = request[60] = 2;
    return request;
}

// A set request as the program's Submit writes it: the device's address, MAC and netmask
// always, the fields that changed with flag 1.
Bytes NameOnlySetRequest() {
    Bytes request(74, 0);
    PutText(request, 0, "PCEdit");
    Put(request, 7, {0x65, 0x00, 0x74, 0x00});
    Put(request, 11, {192, 168, 1, 10});
    Put(request, 15, {0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc});
    Put(request, 21, {255, 255, 255, 0});
    request[32] = 1;
    PutText(request, 33, "Hall");
    return request;
}

TEST(DevsimPcEditRequest, TellsSearchesFromOtherDatagrams) {
    EXPECT_TRUE(std::holds_alternative<PcEditSearch>(ParsePcEditRequest(PcEditSearchRequest())));
    // The Search command re-sends what a Submit left in the buffer, with 2 in bytes 6 and 25.
    Bytes after_submit = NameOnlySetRequest();
    after_submit[6] = after_submit[25] = 2;
    EXPECT_TRUE(std::holds_alternative<PcEditSearch>(ParsePcEditRequest(after_submit)));

    Bytes short_request = PcEditSearchRequest();
    short_request.pop_back();
    Bytes long_request = PcEditSearchRequest();
    long_request.push_back(0);
    Bytes wrong_magic = PcEditSearchRequest();
    wrong_magic[5] = 'T';
    for (const Bytes& datagram :
         {short_request, long_request, wrong_magic, kSamplePcEditReport, Bytes{}}) {
        EXPECT_TRUE(std::holds_alternative<NotARequest>(ParsePcEditRequest(datagram)))
            << datagram.size() << " bytes";
    }
}

TEST(DevsimPcEditRequest, SetRequestChangesOnlyTheFlaggedFields) {
    const auto name_only = ParsePcEditRequest(NameOnlySetRequest());
    ASSERT_TRUE(std::holds_alternative<PcEditSet>(name_only));
    const auto& set = std::get<PcEditSet>(name_only);
    EXPECT_EQ(set.target, (Mac{0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}));
    SettingsChange expected;
    expected.name = *NameFromText("Hall");
    EXPECT_EQ(set.change, expected);

    Bytes request = NameOnlySetRequest();
    request[6] = 1;
    Put(request, 11, {10, 0, 0, 5});
    Put(request, 21, {255, 0, 0, 0});
    request[25] = 1;
    Put(request, 26, {0x67, 0x00, 10, 0, 0, 1});
    request[32] = 2;  // a flag of 2 in a set request changes nothing
    request[51] = 1;
    PutText(request, 52, "65536");
    request[63] = 1;
    Put(request, 64, {1, 1, 1, 1, 9, 9, 9, 9});
    request[72] = 1;
    request[73] = 1;
    const auto all = ParsePcEditRequest(request);
    ASSERT_TRUE(std::holds_alternative<PcEditSet>(all));
    expected = {};
    expected.ip = Ipv4{10, 0, 0, 5};
    expected.netmask = Ipv4{255, 0, 0, 0};
    expected.gateway = Ipv4{10, 0, 0, 1};
    expected.http_port = 65536;
    expected.dns1 = Ipv4{1, 1, 1, 1};
    expected.dns2 = Ipv4{9, 9, 9, 9};
    expected.dhcp = 1;
    EXPECT_EQ(std::get<PcEditSet>(all).change, expected);
}

TEST(DevsimPcEditRequest, SetRequestWithoutItsFixedBytesIsRefused) {
    Bytes no_fixed = NameOnlySetRequest();
    no_fixed[9] = 0;
    const auto refused = ParsePcEditRequest(no_fixed);
    ASSERT_TRUE(std::holds_alternative<MalformedSet>(refused));
    EXPECT_EQ(std::get<MalformedSet>(refused).target, (Mac{0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}));

    Bytes gateway_without_fixed = NameOnlySetRequest();
    gateway_without_fixed[25] = 1;
    Put(gateway_without_fixed, 28, {10, 0, 0, 1});
    EXPECT_TRUE(std::holds_alternative<MalformedSet>(ParsePcEditRequest(gateway_without_fixed)));
}

TEST(DevsimPcEditRequest, PortDigitsReadLikeAtoi) {
    const std::pair<Bytes, int> cases[] = {
        {{'8', '0', 0, 0, 0}, 80},
        {{'1', '2', '3', 'x', '9'}, 123},
        {{0, 0, 0, 0, 0}, 0},
        {{' ', '-', '1', '2', 0}, -12},
        {{'9', '9', '9', '9', '9'}, 99999},
        {{'+', '7', 0, '5', 0}, 7},
    };
    for (const auto& [field, value] : cases) {
        EXPECT_EQ(ReadAsciiDecimal(field), value);
    }
}

Bytes Search3297Request() {
    Bytes request(445, 0);
    Put(request, 0, {'3', '2', '9', '7', 0xbd, 0x01, 0x31});
    return request;
}

TEST(Devsim3297Request, OnlyTheExactSearchIsAnswered) {
    EXPECT_TRUE(std::holds_alternative<Search3297>(Parse3297Request(Search3297Request())));

    Bytes byte_type = Search3297Request();
    byte_type[6] = 1;  // a report's type, not the ASCII digit
    Bytes shorter = Search3297Request();
    shorter.pop_back();
    Bytes longer = Search3297Request();
    longer.push_back(0);
    Bytes wrong_length_field = Search3297Request();
    wrong_length_field[5] = 0x00;
    Bytes wrong_magic = Search3297Request();
    wrong_magic[3] = '8';
    // A device's own report is not a search.
    Device device = SampleDevice(Protocol::k3297);
    const Bytes own_report = Build3297Report(device);
    for (const Bytes& datagram :
         {byte_type, shorter, longer, wrong_length_field, wrong_magic, own_report}) {
        EXPECT_TRUE(std::holds_alternative<NotARequest>(Parse3297Request(datagram)))
            << datagram.size() << " bytes, type " << int(datagram[6]);
    }
}

}  // namespace
}  // namespace norvik::devsim
