#include "device_json.h"

#include <algorithm>
#include <cstdio>

#include "device_text.h"
#include "network_interfaces.h"
#include "trace.h"
#include "utf.h"

namespace norvik::cli {
namespace {

std::string Utf8(std::u16string_view text) {
    return Utf16ToUtf8(text);
}

const Json& InterfaceName(std::uint32_t index, InterfaceNames& names) {
    auto found = names.find(index);
    if (found == names.end()) {
        const std::string name = norvik::InterfaceName(index);
        found = names.emplace(index, name.empty() ? Json(nullptr) : Json(name)).first;
    }
    return found->second;
}

}  // namespace

std::string QuotedIfOdd(std::string_view utf8) {
    const bool odd = (!utf8.empty() && utf8.front() == '"') ||
                     std::any_of(utf8.begin(), utf8.end(), [](char c) {
                         return static_cast<unsigned char>(c) < 0x20 || c == '\x7f';
                     });
    return odd ? Json(std::string(utf8)).dump(-1, ' ', false, Json::error_handler_t::replace)
               : std::string(utf8);
}

std::string HexText(ByteSpan bytes) {
    std::string hex;
    for (const std::uint8_t b : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return hex;
}

Json DeviceJson(const DeviceRecord& d, InterfaceNames& interface_names) {
    Json device;
    device["list_index"] = d.list_index;
    device["tag"] = Utf8(TextUpToNul(d.tag));
    device["ip"] = DottedAddress(d.ip);
    device["netmask"] = DottedAddress(d.netmask);
    device["gateway"] = DottedAddress(d.gateway);
    device["mac"] = Utf8(MacText(d.mac));
    device["name"] = Utf8(NameText(d.name));
    device["name_hex"] = HexText(d.name);
    device["dns_enabled"] = d.dns_enabled;
    device["dns1"] = DottedAddress(d.dns1);
    device["dns2"] = DottedAddress(d.dns2);
    device["http_port"] = d.http_port;
    device["port2"] = d.port2;
    device["dhcp_on"] = d.dhcp_on;
    device["dhcp_supported"] = d.dhcp_supported;
    device["interface"] = InterfaceName(d.interface_index, interface_names);
    return device;
}

Json ScanJson(const MemoryListView& view, const DeviceList& devices,
              const std::vector<std::vector<std::string>>& warnings) {
    Json rows = Json::array();
    for (const auto& row : view.rows()) {
        Json item;
        item["number"] = Utf8(row[0]);
        item["name"] = Utf8(row[1]);
        item["address"] = Utf8(row[2]);
        rows.push_back(std::move(item));
    }
    Json records = Json::array();
    InterfaceNames interface_names;
    std::size_t i = 0;
    for (const DeviceRecord& d : devices) {
        Json device = DeviceJson(d, interface_names);
        device["warnings"] = i < warnings.size() ? warnings[i] : std::vector<std::string>();
        records.push_back(std::move(device));
        ++i;
    }
    Json document;
    document["rows"] = std::move(rows);
    document["devices"] = std::move(records);
    document["dropped_devices"] = devices.dropped_devices();
    return document;
}

std::string JsonText(const Json& document) {
    // The texts are valid UTF-8 already; should one not be, it is shown, not thrown.
    return document.dump(-1, ' ', false, Json::error_handler_t::replace) + '\n';
}

}  // namespace norvik::cli
