#include "baseline.h"

#include <cstdint>
#include <limits>

#include "address_text.h"
#include "device_text.h"
#include "utf.h"

namespace norvik::cli {
namespace {

// A scan document nests four deep (document, devices, a device, its warnings); deeper input
// is no scan, and is refused before the JSON reader builds it.
constexpr int kMaxDepth = 8;

enum class Kind { kText, kTextOrNull, kInteger };

struct Field {
    const char* key;
    Kind kind;
};

// The scanner's device record (DeviceJson) without list_index, in its order.
constexpr Field kFields[] = {{"tag", Kind::kText},
                             {"ip", Kind::kText},
                             {"netmask", Kind::kText},
                             {"gateway", Kind::kText},
                             {"mac", Kind::kText},
                             {"name", Kind::kText},
                             {"name_hex", Kind::kText},
                             {"dns_enabled", Kind::kInteger},
                             {"dns1", Kind::kText},
                             {"dns2", Kind::kText},
                             {"http_port", Kind::kInteger},
                             {"port2", Kind::kInteger},
                             {"dhcp_on", Kind::kInteger},
                             {"dhcp_supported", Kind::kInteger},
                             {"interface", Kind::kTextOrNull}};

// Whether brackets outside strings nest at most kMaxDepth deep.
bool NestingWithinLimit(std::string_view text) {
    int depth = 0;
    bool in_string = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (in_string) {
            if (c == '\\') {
                ++i;  // the escaped character
            } else if (c == '"') {
                in_string = false;
            }
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxDepth) {
                return false;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

bool IsInt32(const Json& value) {
    if (value.is_number_unsigned()) {
        return value.get<std::uint64_t>() <=
               static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    }
    if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        return number >= std::numeric_limits<std::int32_t>::min() &&
               number <= std::numeric_limits<std::int32_t>::max();
    }
    return false;
}

// The device's record as the scanner writes it, or what is wrong with it.
std::string ReadDevice(const Json& item, HeardDevice& device) {
    if (!item.is_object()) {
        return "is not an object";
    }
    device.device = Json::object();
    for (const Field& field : kFields) {
        const auto found = item.find(field.key);
        if (found == item.end()) {
            return std::string("has no \"") + field.key + '"';
        }
        const bool fits = field.kind == Kind::kInteger ? IsInt32(*found)
                          : field.kind == Kind::kText  ? found->is_string()
                                                       : found->is_string() || found->is_null();
        if (!fits) {
            return std::string("has a \"") + field.key + "\" that is not " +
                   (field.kind == Kind::kInteger ? "a 32-bit integer" : "a text");
        }
        device.device[field.key] =
            field.kind == Kind::kInteger ? Json(found->get<std::int64_t>()) : *found;
    }
    const auto mac = ParseMac(device.device["mac"].get<std::string>());
    if (!mac) {
        return "has a \"mac\" that is no MAC address";
    }
    // Written as the scanner writes it, whatever the case or separator of the file.
    device.mac = Utf16ToUtf8(MacText(*mac));
    device.device["mac"] = device.mac;
    const auto warnings = item.find("warnings");
    if (warnings != item.end()) {
        if (!warnings->is_array()) {
            return "has \"warnings\" that are not a list";
        }
        for (const Json& warning : *warnings) {
            if (!warning.is_string()) {
                return "has a warning that is not a text";
            }
            device.warnings.push_back(warning.get<std::string>());
        }
    }
    return {};
}

}  // namespace

Baseline ReadBaseline(std::string_view text) {
    Baseline baseline;
    if (text.size() > kMaxBaselineBytes) {
        baseline.error = "it is larger than " + std::to_string(kMaxBaselineBytes >> 20) + " MiB";
        return baseline;
    }
    if (!NestingWithinLimit(text)) {
        baseline.error = "it nests deeper than a scan's document";
        return baseline;
    }
    const Json document = Json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded()) {
        baseline.error = "it is not JSON";
        return baseline;
    }
    const auto devices = document.is_object() ? document.find("devices") : document.end();
    if (!document.is_object() || devices == document.end() || !devices->is_array()) {
        baseline.error = "it has no \"devices\" list";
        return baseline;
    }
    if (devices->size() > DeviceList::kMaxDevices) {
        baseline.error =
            "it lists more than " + std::to_string(DeviceList::kMaxDevices) + " devices";
        return baseline;
    }
    std::size_t number = 0;
    for (const Json& item : *devices) {
        ++number;
        HeardDevice device;
        const std::string problem = ReadDevice(item, device);
        if (!problem.empty()) {
            baseline.error = "device " + std::to_string(number) + " of \"devices\" " + problem;
            baseline.devices.clear();
            return baseline;
        }
        baseline.devices.push_back(std::move(device));
    }
    return baseline;
}

}  // namespace norvik::cli
