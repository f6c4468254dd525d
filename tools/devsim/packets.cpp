#include "devsim/packets.h"

#include <algorithm>
#include <limits>

#include "devsim/byte_cursor.h"
#include "devsim/hex.h"

namespace norvik::devsim {
namespace {

namespace req = wire::pcedit_request;
namespace rep = wire::pcedit_report;
namespace p3297 = wire::packet3297;

// The decimal text of a port, NUL-filled, in a field of five characters.
std::array<std::uint8_t, rep::kPortWidth> PortDigits(int port) {
    const std::string text = std::to_string(port);
    std::array<std::uint8_t, rep::kPortWidth> field{};
    std::copy_n(text.begin(), std::min(text.size(), field.size()), field.begin());
    return field;
}

template <std::size_t N>
bool BytesEqual(ByteReader& reader, const std::uint8_t (&expected)[N]) {
    const auto actual = reader.ReadArray<N>();
    return std::equal(actual.begin(), actual.end(), expected);
}

Request ParseSetRequest(ByteReader& reader) {
    reader.SeekTo(req::kMac);
    const Mac target = reader.ReadArray<wire::kMacSize>();
    reader.SeekTo(req::kFixedBytes);
    if (!BytesEqual(reader, req::kFixedBytesValue)) {
        return MalformedSet{target, "bytes 7 to 10 are not " + FormatHex(req::kFixedBytesValue)};
    }
    SettingsChange change;
    if (reader.SeekTo(req::kAddressFlag).ReadU8() == req::kFlagSet) {
        change.ip = reader.SeekTo(req::kIp).ReadArray<wire::kIpv4Size>();
        change.netmask = reader.SeekTo(req::kNetmask).ReadArray<wire::kIpv4Size>();
    }
    if (reader.SeekTo(req::kGatewayFlag).ReadU8() == req::kFlagSet) {
        if (!BytesEqual(reader.SeekTo(req::kGatewayFixedBytes), req::kGatewayFixedBytesValue)) {
            return MalformedSet{target, "a new gateway without bytes 26 and 27 = " +
                                            FormatHex(req::kGatewayFixedBytesValue)};
        }
        change.gateway = reader.SeekTo(req::kGateway).ReadArray<wire::kIpv4Size>();
    }
    if (reader.SeekTo(req::kNameFlag).ReadU8() == req::kFlagSet) {
        change.name = reader.SeekTo(req::kName).ReadArray<wire::kNameSize>();
    }
    if (reader.SeekTo(req::kPortFlag).ReadU8() == req::kFlagSet) {
        change.http_port = ReadAsciiDecimal(reader.SeekTo(req::kPort).ReadArray<req::kPortWidth>());
    }
    if (reader.SeekTo(req::kDnsFlag).ReadU8() == req::kFlagSet) {
        change.dns1 = reader.SeekTo(req::kDns1).ReadArray<wire::kIpv4Size>();
        change.dns2 = reader.SeekTo(req::kDns2).ReadArray<wire::kIpv4Size>();
    }
    if (reader.SeekTo(req::kDhcpFlag).ReadU8() == req::kFlagSet) {
        change.dhcp = reader.SeekTo(req::kDhcp).ReadU8();
    }
    return PcEditSet{target, change};
}

}  // namespace

std::vector<std::uint8_t> BuildPcEditReport(const Device& device) {
    ByteWriter writer(std::max(ReportLength(device), rep::kFullSize));
    writer.SeekTo(rep::kMagicOffset).PutAscii(rep::kMagic);
    writer.SeekTo(rep::kType).PutU8(static_cast<std::uint8_t>(ReportType(device)));
    writer.SeekTo(rep::kTag).PutBytes(device.tag);
    writer.SeekTo(rep::kIp).PutBytes(device.ip);
    writer.SeekTo(rep::kMac).PutBytes(device.mac);
    writer.SeekTo(rep::kNetmask).PutBytes(device.netmask);
    writer.SeekTo(rep::kGateway).PutBytes(device.gateway);
    writer.SeekTo(rep::kName).PutBytes(device.name);
    writer.SeekTo(rep::kHttpPort).PutBytes(PortDigits(device.http_port));
    writer.SeekTo(rep::kPort2).PutBytes(PortDigits(device.port2));
    writer.SeekTo(rep::kDns1).PutBytes(device.dns1);
    writer.SeekTo(rep::kDns2).PutBytes(device.dns2);
    writer.SeekTo(rep::kDhcp).PutU8(device.dhcp);
    auto bytes = writer.Take();
    bytes.resize(ReportLength(device));
    return bytes;
}

std::vector<std::uint8_t> Build3297Report(const Device& device) {
    ByteWriter writer(std::max(ReportLength(device), p3297::kSize));
    // The header always states the regular length, so a receiver that trusts it instead of
    // the datagram's real length is caught by the odd-length reports.
    writer.SeekTo(p3297::kMagicOffset).PutAscii(p3297::kMagic);
    writer.SeekTo(p3297::kLength).PutU16LittleEndian(p3297::kSize);
    writer.SeekTo(p3297::kType).PutU8(static_cast<std::uint8_t>(ReportType(device)));
    writer.SeekTo(p3297::kMac).PutBytes(device.mac);
    writer.SeekTo(p3297::kTag).PutBytes(device.tag);
    writer.SeekTo(p3297::kIp).PutBytes(device.ip);
    writer.SeekTo(p3297::kNetmask).PutBytes(device.netmask);
    writer.SeekTo(p3297::kGateway).PutBytes(device.gateway);
    writer.SeekTo(p3297::kHttpPort).PutI32LittleEndian(device.http_port);
    writer.SeekTo(p3297::kPort2).PutI32LittleEndian(device.port2);
    writer.SeekTo(p3297::kDns1).PutBytes(device.dns1);
    writer.SeekTo(p3297::kDns2).PutBytes(device.dns2);
    writer.SeekTo(p3297::kDhcp).PutU8(device.dhcp);
    writer.SeekTo(p3297::kName).PutBytes(device.name);
    auto bytes = writer.Take();
    bytes.resize(ReportLength(device));
    return bytes;
}

std::vector<std::uint8_t> BuildReport(const Device& device) {
    return device.protocol == Protocol::kPcEdit ? BuildPcEditReport(device)
                                                : Build3297Report(device);
}

std::uint16_t ReportPort(const Device& device) {
    return device.protocol == Protocol::kPcEdit ? wire::kPcEditPort : wire::k3297Port;
}

Request ParsePcEditRequest(std::span<const std::uint8_t> datagram) {
    ByteReader reader(datagram);
    if (!reader.SeekTo(req::kMagicOffset).MatchAscii(req::kMagic)) {
        return NotARequest{"no PCEdit magic"};
    }
    if (datagram.size() != req::kSize) {
        return NotARequest{"a PCEdit request of " + std::to_string(datagram.size()) +
                           " bytes instead of " + std::to_string(req::kSize)};
    }
    if (reader.SeekTo(req::kAddressFlag).ReadU8() == req::kFlagSearch) {
        return PcEditSearch{};
    }
    return ParseSetRequest(reader);
}

Request Parse3297Request(std::span<const std::uint8_t> datagram) {
    ByteReader reader(datagram);
    if (!reader.SeekTo(p3297::kMagicOffset).MatchAscii(p3297::kMagic)) {
        return NotARequest{"no 3297 magic"};
    }
    const std::uint8_t type = reader.SeekTo(p3297::kType).ReadU8();
    if (type != p3297::kTypeSearch) {
        return NotARequest{"a 3297 packet of type " + std::to_string(type) + ", not a search"};
    }
    if (datagram.size() != p3297::kSize) {
        return NotARequest{"a 3297 search of " + std::to_string(datagram.size()) +
                           " bytes instead of " + std::to_string(p3297::kSize)};
    }
    const std::uint16_t length = reader.SeekTo(p3297::kLength).ReadU16LittleEndian();
    if (length != p3297::kSize) {
        return NotARequest{"a 3297 search whose length field says " + std::to_string(length)};
    }
    return Search3297{};
}

int ReadAsciiDecimal(std::span<const std::uint8_t> field) {
    std::size_t i = 0;
    auto is_blank = [](std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < field.size() && is_blank(field[i])) {
        ++i;
    }
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (field[i] - '0'), std::numeric_limits<int>::max());
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace norvik::devsim
