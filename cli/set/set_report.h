#pragma once

#include <string>

#include "device_json.h"
#include "verification.h"

// What norvik-set tells about one device: text for a person, JSON for a program.
namespace norvik::cli {

// "FIELD<TAB>OLD<TAB>NEW" a line, then "request<TAB>HEX".
std::string ChangesText(const PreparedSet& set);
// "applied: MAC reports every value sent", or what differs, or that it was not heard again.
std::string OutcomeLine(const SentSet& sent);

// The 74 bytes that go out, in hexadecimal.
std::string RequestHex(const PreparedSet& set);

// One device's object: "mac", "before", "changes", "request", "outcome", "after" and
// "differs". outcome is given as text, so that a dry run can say so.
Json SetJson(const DeviceRecord& before, const PreparedSet& set, const std::string& outcome,
             const SentSet* verified, InterfaceNames& interface_names);

}  // namespace norvik::cli
