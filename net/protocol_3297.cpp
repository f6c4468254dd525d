#include "protocol_3297.h"

#include <algorithm>
#include <array>

namespace norvik::p3297 {

void BuildSearchRequest(std::span<std::uint8_t, kRequestBufferSize> buffer) {
    std::array<std::uint8_t, kPacketLength> packet{};
    PutText(packet, offset::kMagic, kMagic);
    PutText(packet, offset::kType, kSearchType);
    PutU16Le(packet, offset::kLength, static_cast<std::uint16_t>(kPacketLength));
    std::copy(packet.begin(), packet.end(), buffer.begin());
}

bool IsReport(ByteSpan datagram) {
    if (datagram.size() != kPacketLength) {
        return false;
    }
    const std::uint8_t type = datagram[offset::kType];
    return type >= kFirstReportType && type <= kLastReportType;
}

bool IsLoginFailedReport(ByteSpan datagram) {
    return IsReport(datagram) && datagram[offset::kType] == kTypeLoginFailed;
}

DeviceReport ParseDeviceReport(ByteSpan bytes) {
    const DatagramReader datagram(bytes);
    DeviceReport report;
    report.mac = datagram.Bytes<6>(offset::kMac);
    report.tag = datagram.Bytes<4>(offset::kTag);
    report.ip = datagram.Bytes<4>(offset::kAddress);
    report.netmask = datagram.Bytes<4>(offset::kNetmask);
    report.gateway = datagram.Bytes<4>(offset::kGateway);
    report.http_port = datagram.I32Le(offset::kHttpPort);
    report.port2 = datagram.I32Le(offset::kPort2);
    report.dns1 = datagram.Bytes<4>(offset::kDns1);
    report.dns2 = datagram.Bytes<4>(offset::kDns2);
    // A static device leaves dhcp_supported as it was: once it reported DHCP, the choice
    // stays visible.
    if (datagram.U8(offset::kDhcp) != 0) {
        report.dhcp_on = 1;
        report.dhcp_supported = 1;
    } else {
        report.dhcp_on = 0;
    }
    report.name = datagram.Bytes<18>(offset::kName);
    return report;
}

DatagramOutcome HandleDatagram(const ReportContext& context, ByteSpan datagram,
                               std::uint32_t interface_index) {
    if (datagram.size() != kPacketLength) {
        return DatagramOutcome::Dropped(datagram.size() < kPacketLength ? DropReason::kTooShort
                                                                        : DropReason::kWrongLength);
    }
    if (!IsReport(datagram)) {
        const std::uint8_t type = datagram[offset::kType];
        return type == static_cast<std::uint8_t>(kSearchType[0])
                   ? DatagramOutcome::Dropped(DropReason::kRequest)
                   : DatagramOutcome::Dropped(DropReason::kUnknownType, type);
    }
    DeviceReport device = ParseDeviceReport(datagram);
    device.protocol = kHeard3297;
    return HandleDeviceReport(context, device, interface_index);
}

}  // namespace norvik::p3297
