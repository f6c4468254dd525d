#include "device_edit.h"

#include <algorithm>

#include "device_list.h"
#include "device_text.h"
#include "quoted_if_odd.h"
#include "submit_checks.h"
#include "trace.h"
#include "utf.h"

namespace norvik::cli {
namespace {

constexpr const char* kForceHint = " (give --force to send it all the same)";

std::string NameBytes(const DeviceName& name) {
    const auto end = std::find(name.begin(), name.end(), std::uint8_t{0});
    return std::string(name.begin(), end);
}

bool IsUtf8(std::string_view text) {
    return Utf16ToUtf8(Utf8ToUtf16(text)) == text;
}

bool HasControlCharacter(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsControlCharacterAt(text, i)) {
            return true;
        }
    }
    return false;
}

// Ones, then zeros: anything else is no subnet mask a device can use.
bool IsContiguousNetmask(const Ipv4& mask) {
    const std::uint32_t bits = std::uint32_t{mask[0]} << 24 | std::uint32_t{mask[1]} << 16 |
                               std::uint32_t{mask[2]} << 8 | mask[3];
    return (~bits & (~bits + 1)) == 0;
}

// What an address that a device is to use cannot be; empty when it is fine.
std::string OddAddress(const Ipv4& ip) {
    if (ip[0] == 0) {
        return "is in 0.0.0.0/8, which no device can use";
    }
    if (ip[0] == 127) {
        return "is a loopback address";
    }
    if (ip[0] >= 224 && ip[0] <= 239) {
        return "is a multicast address";
    }
    if (ip[0] >= 240) {
        return "is a reserved or broadcast address";
    }
    return "";
}

// A list holding a copy of the device alone, selected, for the code that Submit runs on the
// window's list. A field the device's report does not show and the person gives is made to
// differ in the copy, so that the request carries it: its value now is not known.
void SelectCopy(DeviceList& list, const DeviceRecord& device, const DeviceEdits& edits,
                const pcedit::SetValues& values) {
    DeviceRecord& copy = *list.AppendRecord(device.mac);
    list.SetAddress(copy, device.ip);
    copy.tag = device.tag;
    copy.netmask = device.netmask;
    copy.gateway = device.gateway;
    copy.name = device.name;
    copy.dns_enabled = device.dns_enabled;
    copy.http_port = device.http_port;
    copy.port2 = device.port2;
    copy.dns1 = device.dns1;
    copy.dns2 = device.dns2;
    copy.dhcp_on = device.dhcp_on;
    copy.dhcp_supported = device.dhcp_supported;
    if (edits.port && !ReportCarries(device, "port")) {
        copy.http_port = values.http_port + 1;
    }
    if ((edits.dns1 || edits.dns2) && !ReportCarries(device, "dns1")) {
        copy.dns1 = values.dns1;
        copy.dns1[0] = static_cast<std::uint8_t>(~copy.dns1[0]);
    }
    if (edits.dhcp && !ReportCarries(device, "mode")) {
        copy.dhcp_on = values.dhcp ? 0 : 1;
    }
    list.set_selected(&copy);
}

bool Given(const DeviceEdits& e, std::string_view field) {
    return (field == "name" && e.name) || (field == "ip" && e.ip) ||
           (field == "netmask" && e.netmask) || (field == "gateway" && e.gateway) ||
           (field == "dns1" && e.dns1) || (field == "dns2" && e.dns2) ||
           (field == "port" && e.port) || (field == "mode" && e.dhcp);
}

// The command line's checks of one changed field beyond Submit's; empty when it passes.
std::string StricterCheck(std::string_view field, const pcedit::SetValues& v, bool stays_on_dhcp) {
    if (field == "ip") {
        const std::string odd = OddAddress(v.ip);
        if (!odd.empty()) {
            return "the address " + DottedAddress(v.ip) + ' ' + odd;
        }
        if (stays_on_dhcp) {
            return "the device takes its address by DHCP, so a new one would not hold: give "
                   "--static with it";
        }
    }
    if (field == "netmask" && !IsContiguousNetmask(v.netmask)) {
        return DottedAddress(v.netmask) + " is no subnet mask: its ones are not contiguous";
    }
    const Ipv4* other = field == "gateway" ? &v.gateway
                        : field == "dns1"  ? &v.dns1
                        : field == "dns2"  ? &v.dns2
                                           : nullptr;
    if (other != nullptr && *other != Ipv4{}) {
        const std::string odd = OddAddress(*other);
        if (!odd.empty()) {
            return "the " + std::string(field) + ' ' + DottedAddress(*other) + ' ' + odd;
        }
    }
    if (field == "port" && (v.http_port < 1 || v.http_port > 65535)) {
        return "the port " + std::to_string(v.http_port) + " is no web port (1 to 65535)";
    }
    return "";
}

}  // namespace

FieldTexts TextsOf(const pcedit::SetValues& v) {
    return {{{"name", NameBytes(v.name)},
             {"ip", DottedAddress(v.ip)},
             {"netmask", DottedAddress(v.netmask)},
             {"gateway", DottedAddress(v.gateway)},
             {"dns1", DottedAddress(v.dns1)},
             {"dns2", DottedAddress(v.dns2)},
             {"port", std::to_string(v.http_port)},
             {"mode", v.dhcp ? "dhcp" : "static"}}};
}

pcedit::SetValues ValuesOf(const DeviceRecord& device) {
    pcedit::SetValues values;
    values.name = device.name;
    values.ip = device.ip;
    values.netmask = device.netmask;
    values.gateway = device.gateway;
    values.dns1 = device.dns1;
    values.dns2 = device.dns2;
    values.http_port = device.http_port;
    values.dhcp = device.dhcp_on != 0;
    return values;
}

bool ReportCarries(const DeviceRecord& device, std::string_view field) {
    if (field == "port") {
        return (device.reported & kReportedPorts) != 0;
    }
    if (field == "dns1" || field == "dns2") {
        return (device.reported & kReportedDns) != 0;
    }
    if (field == "mode") {
        return (device.reported & kReportedMode) != 0;
    }
    return true;
}

std::optional<std::string> TakenAddress(
    const MacAddress& mac, const Ipv4& ip, const std::vector<DeviceRecord>& found,
    const std::function<bool(const DeviceRecord& other)>& moves) {
    for (const DeviceRecord& other : found) {
        if (other.mac != mac && other.ip == ip && !(moves && moves(other))) {
            return "the address " + DottedAddress(ip) + " is taken by " +
                   Utf16ToUtf8(MacText(other.mac)) + kForceHint;
        }
    }
    return std::nullopt;
}

bool Changes(const PreparedSet& set, std::string_view field) {
    return std::any_of(set.changes.begin(), set.changes.end(),
                       [&](const FieldChange& change) { return change.field == field; });
}

std::variant<PreparedSet, std::string> PrepareSet(const DeviceRecord& device,
                                                  const DeviceEdits& edits, bool force) {
    PreparedSet set;
    pcedit::SetValues& values = set.values;
    values = ValuesOf(device);
    // A value the device already reports is no change, and is not checked: a saved scan is a
    // plan that changes nothing, whatever odd values it holds.
    const std::string reported_name = NameBytes(device.name);
    const bool name_changes = edits.name && *edits.name != reported_name;
    if (name_changes) {
        if (!IsUtf8(*edits.name)) {
            return "the name is not UTF-8 text";
        }
        if (HasControlCharacter(*edits.name)) {
            return "the name holds a control character";
        }
        values.name = pcedit::NameField(Utf8ToUtf16(*edits.name));
        set.name_cut = NameBytes(values.name).size() < edits.name->size();
    }
    const bool port_changes =
        edits.port && (*edits.port != device.http_port || !ReportCarries(device, "port"));
    if (port_changes) {
        if (!PortInRange(*edits.port)) {
            return "the port is not from " + std::to_string(kPortMin) + " to " +
                   std::to_string(kPortMax);
        }
        values.http_port = static_cast<int>(*edits.port);
    }
    if ((edits.dns1.has_value() != edits.dns2.has_value()) && !ReportCarries(device, "dns1")) {
        return "the device's report does not show its DNS servers, and a request sets both: give "
               "--dns1 and --dns2 together";
    }
    values.ip = edits.ip.value_or(values.ip);
    values.netmask = edits.netmask.value_or(values.netmask);
    values.gateway = edits.gateway.value_or(values.gateway);
    values.dns1 = edits.dns1.value_or(values.dns1);
    values.dns2 = edits.dns2.value_or(values.dns2);
    values.dhcp = edits.dhcp.value_or(values.dhcp);

    const FieldTexts before = TextsOf(ValuesOf(device));
    const FieldTexts after = TextsOf(values);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::string_view field = before[i].first;
        const bool known = ReportCarries(device, field);
        if (before[i].second != after[i].second || (!known && Given(edits, field))) {
            set.changes.push_back({before[i].first,
                                   known ? std::optional(before[i].second) : std::nullopt,
                                   after[i].second});
        }
    }
    const auto changes = [&](std::string_view field) {
        return std::any_of(set.changes.begin(), set.changes.end(),
                           [&](const FieldChange& c) { return c.field == field; });
    };
    if (changes("ip") && RefusedAddress(values.ip)) {
        return "the address " + DottedAddress(values.ip) + " ends in .0 or .255";
    }
    if (set.name_cut && !force) {
        return "the name is " + std::to_string(edits.name->size()) +
               " bytes of UTF-8, and a device holds 18 (give --force to send it cut to fit)";
    }
    if (!force && !set.changes.empty() && device.other_address_heard) {
        return Utf16ToUtf8(MacText(device.mac)) + " answered the search from " +
               DottedAddress(device.other_ip) + " and from " + DottedAddress(device.ip) +
               ": two devices may share the MAC, and a request by MAC reaches both" + kForceHint;
    }
    if (!force) {
        for (const FieldChange& change : set.changes) {
            const bool stays_on_dhcp =
                values.dhcp && ReportCarries(device, "mode") && device.dhcp_on != 0;
            const std::string problem = StricterCheck(change.field, values, stays_on_dhcp);
            if (!problem.empty()) {
                return problem + kForceHint;
            }
        }
    }
    set.asks_subnet_question = (changes("ip") || changes("netmask") || changes("gateway")) &&
                               NeedsSubnetQuestion(values);
    DeviceList list;
    SelectCopy(list, device, edits, values);
    if (!pcedit::PrepareSetRequest(list, values, set.request)) {
        set.changes.clear();
    }
    return set;
}

}  // namespace norvik::cli
