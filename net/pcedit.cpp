#include "pcedit.h"

namespace norvik::pcedit {
namespace {

// Moves the device's row to the end under a number of its own and takes its new gateway and
// name; nothing else of the record changes.
DatagramOutcome HandleRenumbering(const ReportContext& context, const DatagramReader& datagram,
                                  std::uint32_t interface_index) {
    DeviceRecord* record =
        context.devices.FindByMacIncludingUnaddressed(datagram.Bytes<6>(report::kMac));
    if (record == nullptr) {
        return DatagramOutcome::Dropped(DropReason::kUnknownMac);
    }
    const DeviceName name = datagram.Bytes<18>(report::kName);
    const RowTexts texts = MakeRowTexts(name, datagram.Bytes<4>(report::kAddress));
    context.devices.RenumberRecord(*record, context.view, texts);
    record->gateway = datagram.Bytes<4>(report::kGateway);
    record->name = CopyUpToNul(name);
    record->interface_index = interface_index;
    record->heard_by = static_cast<std::uint8_t>(record->heard_by | kHeardPcEdit);
    return DatagramOutcome::Listed(DatagramOutcome::Kind::kRenumbered, *record);
}

}  // namespace

void BuildStartupSearch(RequestBytes buffer) {
    PutText(buffer, request::kMagic, kRequestMagic);
    buffer[request::kAddressFlag] = kFlagSearch;
    buffer[request::kGatewayFlag] = kFlagSearch;
    buffer[request::kNameFlag] = kFlagSearch;
    buffer[request::kStartupSearchFlag] = kFlagSearch;
}

void PrepareSearchCommand(RequestBytes buffer) {
    PutText(buffer, request::kMagic, kRequestMagic);
    buffer[request::kAddressFlag] = kFlagSearch;
    buffer[request::kGatewayFlag] = kFlagSearch;
}

DeviceReport ParseDeviceReport(ByteSpan bytes) {
    const DatagramReader datagram(bytes);
    DeviceReport report;
    report.tag = datagram.Bytes<4>(report::kTag);
    report.ip = datagram.Bytes<4>(report::kAddress);
    report.mac = datagram.Bytes<6>(report::kMac);
    report.netmask = datagram.Bytes<4>(report::kNetmask);
    report.gateway = datagram.Bytes<4>(report::kGateway);
    report.name = datagram.Bytes<18>(report::kName);
    // The numbers are what the received bytes spell, even in a short report: the record a
    // short report creates in an empty list keeps them.
    report.has_ports = datagram.size() >= report::kLengthWithPorts;
    report.http_port = datagram.AtoiField(report::kHttpPort, report::kPortWidth);
    report.port2 = datagram.AtoiField(report::kPort2, report::kPortWidth);
    report.has_dns = datagram.size() >= report::kLengthWithDns;
    report.dns1 = datagram.Bytes<4>(report::kDns1);
    report.dns2 = datagram.Bytes<4>(report::kDns2);
    if (datagram.size() >= report::kLengthWithDhcp) {
        report.dhcp_on = datagram.U8(report::kDhcp) != 0 ? 1 : 0;
        report.dhcp_supported = 1;
    } else {
        report.dhcp_supported = 0;
    }
    return report;
}

DatagramOutcome HandleDatagram(const ReportContext& context, ByteSpan bytes,
                               std::uint32_t interface_index) {
    const DatagramReader datagram(bytes);
    if (datagram.HasMagic(request::kMagic, kRequestMagic)) {
        return DatagramOutcome::Dropped(DropReason::kRequest);
    }
    if (datagram.size() < report::kMinLength) {
        return DatagramOutcome::Dropped(DropReason::kTooShort);
    }
    if (!datagram.HasMagic(report::kMagic, kReportMagic)) {
        return DatagramOutcome::Dropped(DropReason::kWrongMagic);
    }
    const std::uint8_t type = datagram.U8(report::kType);
    switch (type) {
        case report::kTypeDevice: {
            DeviceReport device = ParseDeviceReport(bytes);
            device.protocol = kHeardPcEdit;
            return HandleDeviceReport(context, device, interface_index);
        }
        case report::kTypeRenumbering:
            return HandleRenumbering(context, datagram, interface_index);
        default:
            return DatagramOutcome::Dropped(DropReason::kUnknownType, type);
    }
}

}  // namespace norvik::pcedit
