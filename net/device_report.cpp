#include "device_report.h"

#include <string>

namespace norvik {
namespace {

void StoreReport(DeviceList& devices, DeviceRecord& record, const DeviceReport& report,
                 bool created_in_empty_list) {
    // The MAC is the record's already: it was found by it, or made for it.
    record.tag = CopyUpToNul(report.tag);
    devices.SetAddress(record, report.ip);
    record.netmask = report.netmask;
    if (report.has_ports || created_in_empty_list) {
        record.http_port = report.http_port;
        record.port2 = report.port2;
    } else {
        record.http_port = 0;
        record.port2 = 0;
    }
    if (report.has_dns) {
        record.dns1 = report.dns1;
        record.dns2 = report.dns2;
        record.dns_enabled = 1;
    } else {
        record.dns_enabled = 0;
    }
    if (report.dhcp_on) {
        record.dhcp_on = *report.dhcp_on;
    }
    if (report.dhcp_supported) {
        record.dhcp_supported = *report.dhcp_supported;
    }
    record.reported = static_cast<std::uint8_t>((report.has_ports ? kReportedPorts : 0) |
                                                (report.has_dns ? kReportedDns : 0) |
                                                (report.dhcp_on ? kReportedMode : 0));
}

}  // namespace

DatagramOutcome HandleDeviceReport(const ReportContext& context, const DeviceReport& report,
                                   std::uint32_t interface_index) {
    DeviceList& devices = context.devices;
    const DeviceName name = CopyUpToNul(report.name);
    DeviceRecord* record = devices.FindByMac(report.mac);
    bool created_in_empty_list = false;
    auto kind = DatagramOutcome::Kind::kNewDevice;
    if (record != nullptr) {
        kind = DatagramOutcome::Kind::kUpdated;
        if (record->ip != report.ip) {
            record->other_address_heard = true;
            record->other_ip = record->ip;
        }
        context.receive_busy.store(1, std::memory_order_relaxed);
        // The device listed first since the list was emptied is never re-listed. The name
        // is compared as all 18 raw bytes, so junk after the NUL counts as a change.
        if (record->list_index > 0 && (record->ip != report.ip || record->name != report.name)) {
            devices.RelistRecord(*record, context.view, MakeRowTexts(report.name, report.ip));
            kind = DatagramOutcome::Kind::kRowMoved;
        }
        context.receive_busy.store(0, std::memory_order_relaxed);
    } else {
        created_in_empty_list = devices.empty();
        // Finding by MAC passes over a record without an address: one found now is such.
        DeviceRecord* unaddressed = devices.FindByMacIncludingUnaddressed(report.mac);
        record = devices.AppendRecord(report.mac);
        if (record == nullptr) {
            // Said once a run: a flood of made-up devices must not flood the person too.
            if (devices.full() && devices.dropped_devices() == 1) {
                context.messages.WriteDiagnostic(
                    "norvik: the device list holds " + std::to_string(DeviceList::kMaxDevices) +
                    " devices; reports of further devices are dropped\n");
            }
            return DatagramOutcome::Dropped(devices.full() ? DropReason::kListFull
                                                           : DropReason::kNoMemory);
        }
        // Two addresses for one MAC, whichever came first: two devices may share it.
        if (unaddressed != nullptr && unaddressed->ip != report.ip) {
            record->other_address_heard = unaddressed->other_address_heard = true;
            record->other_ip = unaddressed->ip;
            unaddressed->other_ip = report.ip;
        }
    }
    StoreReport(devices, *record, report, created_in_empty_list);
    if (record->list_index == -1) {
        devices.ListRecord(*record, context.view, MakeRowTexts(report.name, report.ip));
    }
    record->gateway = report.gateway;
    record->name = name;
    record->interface_index = interface_index;
    record->heard_by = static_cast<std::uint8_t>(record->heard_by | report.protocol);
    return DatagramOutcome::Listed(kind, *record);
}

}  // namespace norvik
