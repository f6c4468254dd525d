#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "device_record.h"
#include "request_buffer.h"
#include "set_request.h"

// A device's new settings, made into the set request that the window's Submit would send for
// the same edits, through the same code.
namespace norvik::cli {

// What the person asked to change; an empty member keeps what the device reported.
struct DeviceEdits {
    std::optional<std::string> name;  // UTF-8
    std::optional<Ipv4> ip;
    std::optional<Ipv4> netmask;
    std::optional<Ipv4> gateway;
    std::optional<Ipv4> dns1;
    std::optional<Ipv4> dns2;
    std::optional<long long> port;
    std::optional<bool> dhcp;
};

// The settings a set request carries, by field name ("name", "ip", "netmask", "gateway",
// "dns1", "dns2", "port", "mode"), each as text: the name's bytes up to their NUL, dotted
// addresses, the port in decimal, "dhcp" or "static".
using FieldTexts = std::array<std::pair<const char*, std::string>, 8>;
FieldTexts TextsOf(const pcedit::SetValues& values);
// What the device reported, in the same form.
pcedit::SetValues ValuesOf(const DeviceRecord& device);
// Whether the device's last report carried the field: a short PCEdit report has no ports, DNS
// servers or mode, and the record's value for those is an old one or a default.
bool ReportCarries(const DeviceRecord& device, std::string_view field);

struct FieldChange {
    std::string field;
    std::optional<std::string> old_value;  // none: the device's report does not show it
    std::string new_value;
};

struct PreparedSet {
    pcedit::SetValues values;          // every field, as it is to be
    std::vector<FieldChange> changes;  // empty: the device has these values; nothing is sent
    RequestBuffer::Bytes request{};    // the set request, when there are changes
    bool asks_subnet_question = false;
    bool name_cut = false;  // the name's UTF-8 is longer than the device's 18 bytes (--force)
};

// Whether the set changes the field ("name", "ip", ... as FieldChange names them).
bool Changes(const PreparedSet& set, std::string_view field);

// Another device found with the address `ip`, other than the one with `mac`, unless `moves`
// says that device is given another address; why that address is taken, or nothing.
std::optional<std::string> TakenAddress(
    const MacAddress& mac, const Ipv4& ip, const std::vector<DeviceRecord>& found,
    const std::function<bool(const DeviceRecord& other)>& moves = {});

// Submit's checks, and the stricter ones of the command line, on what the edits change: a
// value the device already has is never checked. `force` lets through what a person may know
// better (an odd netmask or address, a name cut to 18 bytes); Submit's own refusals stay.
// The request, or why it is refused.
std::variant<PreparedSet, std::string> PrepareSet(const DeviceRecord& device,
                                                  const DeviceEdits& edits, bool force);

}  // namespace norvik::cli
