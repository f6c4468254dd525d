#include "scan_output.h"

#include <cstdio>
#include <map>

#include "device_text.h"
#include "network_interfaces.h"
#include "trace.h"
#include "utf.h"

namespace norvik {
namespace {

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string DottedText(const Ipv4& address) {
    return JsonString(DottedAddress(address));
}

// The card's name, or null when it is not known (or gone since).
std::string InterfaceText(std::uint32_t index, std::map<std::uint32_t, std::string>& names) {
    auto found = names.find(index);
    if (found == names.end()) {
        const std::string name = InterfaceName(index);
        found = names.emplace(index, name.empty() ? "null" : JsonString(name)).first;
    }
    return found->second;
}

std::string HexText(ByteSpan bytes) {
    std::string hex = "\"";
    for (const std::uint8_t b : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return hex + '"';
}

// Members in the order they are added, values already in JSON form.
class JsonObject {
public:
    JsonObject& Add(const char* key, std::string json_value) {
        text_ += text_.empty() ? "{\"" : ",\"";
        text_ += key;
        text_ += "\":";
        text_ += json_value;
        return *this;
    }
    JsonObject& Add(const char* key, std::u16string_view value) {
        return Add(key, JsonString(Utf16ToUtf8(value)));
    }
    JsonObject& Add(const char* key, long long value) { return Add(key, std::to_string(value)); }
    std::string Text() const { return text_.empty() ? "{}" : text_ + '}'; }

private:
    std::string text_;
};

std::string JsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i == 0 ? "" : ",") + items[i];
    }
    return out + ']';
}

}  // namespace

std::string FormatRowsAsText(const MemoryListView& view) {
    std::string out;
    for (const auto& row : view.rows()) {
        out += Utf16ToUtf8(row[0] + u'\t' + row[1] + u'\t' + row[2] + u'\n');
    }
    return out;
}

std::string FormatAsJson(const MemoryListView& view, const DeviceList& devices) {
    std::vector<std::string> rows;
    for (const auto& row : view.rows()) {
        rows.push_back(
            JsonObject().Add("number", row[0]).Add("name", row[1]).Add("address", row[2]).Text());
    }
    std::vector<std::string> records;
    std::map<std::uint32_t, std::string> interface_names;
    for (const DeviceRecord& d : devices) {
        records.push_back(JsonObject()
                              .Add("list_index", d.list_index)
                              .Add("tag", TextUpToNul(d.tag))
                              .Add("ip", DottedText(d.ip))
                              .Add("netmask", DottedText(d.netmask))
                              .Add("gateway", DottedText(d.gateway))
                              .Add("mac", MacText(d.mac))
                              .Add("name", NameText(d.name))
                              .Add("name_hex", HexText(d.name))
                              .Add("dns_enabled", d.dns_enabled)
                              .Add("dns1", DottedText(d.dns1))
                              .Add("dns2", DottedText(d.dns2))
                              .Add("http_port", d.http_port)
                              .Add("port2", d.port2)
                              .Add("dhcp_on", d.dhcp_on)
                              .Add("dhcp_supported", d.dhcp_supported)
                              .Add("interface", InterfaceText(d.interface_index, interface_names))
                              .Text());
    }
    return JsonObject()
               .Add("rows", JsonArray(rows))
               .Add("devices", JsonArray(records))
               .Add("dropped_devices", static_cast<long long>(devices.dropped_devices()))
               .Text() +
           '\n';
}

}  // namespace norvik
