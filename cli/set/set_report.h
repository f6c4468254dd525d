#pragma once

#include <string>

#include "device_json.h"
#include "verification.h"

// What norvik-set tells about one device: text for a person, JSON for a program.
namespace norvik::cli {

// "FIELD<TAB>OLD<TAB>NEW" a line (OLD "(not shown)" when the report does not carry it), then
// "request<TAB>HEX".
std::string ChangesText(const PreparedSet& set);
// What became of the device, one line: "applied: MAC reports every value sent", what
// differs, what its report cannot show, its refusal, or that it was not heard again.
std::string OutcomeLine(const SentSet& sent);
// The fields that differ and those not shown, for a summary's last column.
std::string DetailText(const SentSet& sent);

// The 74 bytes that go out, in hexadecimal.
std::string RequestHex(const PreparedSet& set);

// One device's object: "mac", "before", "changes", "request", "outcome", "after",
// "differs", "not_shown" and "refusal". outcome is given as text, so that a dry run can say
// so; before is null for a device not found.
Json SetJson(const MacAddress& mac, const DeviceRecord* before, const PreparedSet& set,
             const std::string& outcome, const SentSet* verified,
             InterfaceNames& interface_names);

}  // namespace norvik::cli
