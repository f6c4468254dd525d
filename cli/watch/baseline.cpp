#include "baseline.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <limits>

#include "address_text.h"
#include "device_text.h"
#include "ini_text_decoder.h"
#include "utf.h"

namespace norvik::cli {
namespace {

// A scan document nests four deep (document, devices, a device, its warnings); deeper input
// is no scan, and is refused before the JSON reader builds it.
constexpr int kMaxDepth = 8;

enum class Kind { kText, kTextOrNull, kInteger, kTexts };

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

// What a record adds when it answered ONVIF too, in its order.
constexpr Field kProtocolAndCameraFields[] = {{"protocols", Kind::kTexts},
                                              {"endpoint", Kind::kText},
                                              {"types", Kind::kTexts},
                                              {"xaddrs", Kind::kTexts},
                                              {"scopes", Kind::kTexts},
                                              {"hardware", Kind::kText},
                                              {"location", Kind::kText}};

// The record of a camera that answered ONVIF alone (CameraJson) without list_index: these, then
// the protocols and the camera's fields, all of them required.
constexpr Field kCameraAloneFields[] = {{"ip", Kind::kText},
                                        {"mac", Kind::kTextOrNull},
                                        {"name", Kind::kText},
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

// What a field must be; a problem, or nothing.
std::string CheckField(const Field& field, const Json& value) {
    const bool fits = field.kind == Kind::kInteger  ? IsInt32(value)
                      : field.kind == Kind::kText   ? value.is_string()
                      : field.kind == Kind::kTexts  ? value.is_array() &&
                                                         std::all_of(value.begin(), value.end(),
                                                                     [](const Json& item) {
                                                                         return item.is_string();
                                                                     })
                                                    : value.is_string() || value.is_null();
    if (fits) {
        return {};
    }
    return std::string("has a \"") + field.key + "\" that is not " +
           (field.kind == Kind::kInteger ? "a 32-bit integer"
            : field.kind == Kind::kTexts ? "a list of texts"
                                         : "a text");
}

// Copies the fields into the device's record in their order: every one required, or (optional)
// each one that is there.
std::string CopyFields(const Json& item, std::span<const Field> fields, bool required,
                       HeardDevice& device) {
    for (const Field& field : fields) {
        const auto found = item.find(field.key);
        if (found == item.end()) {
            if (required) {
                return std::string("has no \"") + field.key + '"';
            }
            continue;
        }
        if (std::string problem = CheckField(field, *found); !problem.empty()) {
            return problem;
        }
        device.device[field.key] =
            field.kind == Kind::kInteger ? Json(found->get<std::int64_t>()) : *found;
    }
    return {};
}

// Whether the record is of a camera that answered ONVIF alone: its protocols say so.
bool CameraAlone(const Json& item) {
    const auto protocols = item.find("protocols");
    if (protocols == item.end() || !protocols->is_array()) {
        return false;
    }
    bool onvif = false;
    for (const Json& protocol : *protocols) {
        if (protocol == "pcedit" || protocol == "3297") {
            return false;
        }
        onvif = onvif || protocol == "onvif";
    }
    return onvif;
}

// The device's record as the scanner writes it, or what is wrong with it.
std::string ReadDevice(const Json& item, HeardDevice& device) {
    if (!item.is_object()) {
        return "is not an object";
    }
    device.device = Json::object();
    const bool camera_alone = CameraAlone(item);
    std::string problem = CopyFields(item, camera_alone ? std::span<const Field>(kCameraAloneFields)
                                                        : std::span<const Field>(kFields),
                                     true, device);
    if (problem.empty()) {
        // Written by an earlier version, a device's record has no protocols; one that answered
        // ONVIF too has its camera's fields.
        problem = CopyFields(item, kProtocolAndCameraFields, camera_alone, device);
    }
    if (!problem.empty()) {
        return problem;
    }
    const Json& mac_text = device.device["mac"];
    if (mac_text.is_null()) {
        device.key = EndpointKey(device.device["endpoint"].get<std::string>());
    } else {
        const auto mac = ParseMac(mac_text.get<std::string>());
        if (!mac) {
            return "has a \"mac\" that is no MAC address";
        }
        // Written as the scanner writes it, whatever the case or separator of the file.
        device.key = Utf16ToUtf8(MacText(*mac));
        device.device["mac"] = device.key;
    }
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
    // Windows PowerShell's ">" saves what a program prints as UTF-16 with a byte-order mark.
    std::string utf8;
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        utf8 = Utf16ToUtf8(DecodeIniText(std::as_bytes(std::span(text.data(), text.size()))));
        text = utf8;
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
    if (devices->size() > kMaxBaselineDevices) {
        baseline.error =
            "it lists more than " + std::to_string(kMaxBaselineDevices) + " devices";
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
