#include "device_json.h"

#include <cstdio>

#include "device_text.h"
#include "network_interfaces.h"
#include "site_cameras.h"
#include "trace.h"
#include "utf.h"

namespace norvik::cli {
namespace {

std::string Utf8(std::u16string_view text) {
    return Utf16ToUtf8(text);
}

// The compact text of a value; texts are valid UTF-8 already, should one not be, it is shown
// (with U+FFFD), not thrown.
std::string CompactText(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json RowJson(const MemoryListView::Row& row) {
    Json item;
    item["number"] = Utf8(row[0]);
    item["name"] = Utf8(row[1]);
    item["address"] = Utf8(row[2]);
    return item;
}

Json WithWarnings(Json record, std::size_t i,
                  const std::vector<std::vector<std::string>>& warnings) {
    record["warnings"] = i < warnings.size() ? warnings[i] : std::vector<std::string>();
    return record;
}

// A document's text gathered into blocks written as they fill. Each piece is a whole value or
// punctuation, so no block ends inside a UTF-8 sequence, which a Windows console converts
// block by block.
class DocumentWriter {
public:
    explicit DocumentWriter(const std::function<void(std::string_view)>& write) : write_(write) {}

    void Add(std::string_view piece) {
        block_ += piece;
        if (block_.size() >= kBlockBytes) {
            Flush();
        }
    }

    void Finish() { Flush(); }

private:
    static constexpr std::size_t kBlockBytes = 64 * 1024;

    void Flush() {
        if (!block_.empty()) {
            write_(block_);
            block_.clear();
        }
    }

    const std::function<void(std::string_view)>& write_;
    std::string block_;
};

}  // namespace

std::string HexText(ByteSpan bytes) {
    std::string hex;
    for (const std::uint8_t b : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return hex;
}

const Json& InterfaceNameJson(std::uint32_t index, InterfaceNames& names) {
    auto found = names.find(index);
    if (found == names.end()) {
        const std::string name = norvik::InterfaceName(index);
        found = names.emplace(index, name.empty() ? Json(nullptr) : Json(name)).first;
    }
    return found->second;
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
    device["interface"] = InterfaceNameJson(d.interface_index, interface_names);
    return device;
}

Json SiteDeviceJson(const DeviceRecord& d, const SiteCameras& cameras,
                    InterfaceNames& interface_names) {
    Json device = DeviceJson(d, interface_names);
    const OnvifDevice* camera = cameras.Of(d);
    device["protocols"] = ProtocolNames(d.heard_by, camera != nullptr);
    if (camera != nullptr) {
        AddCameraFields(device, *camera);
    }
    return device;
}

Json ScanJson(const MemoryListView& view, const DeviceList& devices, const SiteCameras& cameras,
              const std::vector<std::vector<std::string>>& warnings) {
    Json rows = Json::array();
    for (const auto& row : view.rows()) {
        rows.push_back(RowJson(row));
    }
    Json records = Json::array();
    InterfaceNames interface_names;
    std::size_t i = 0;
    for (const DeviceRecord& d : devices) {
        records.push_back(WithWarnings(SiteDeviceJson(d, cameras, interface_names), i++, warnings));
    }
    for (const OnvifDevice* camera : cameras.alone()) {
        records.push_back(WithWarnings(CameraJson(*camera, interface_names), i++, warnings));
    }
    Json document;
    document["rows"] = std::move(rows);
    document["devices"] = std::move(records);
    document["dropped_devices"] = devices.dropped_devices();
    return document;
}

void WriteScanJson(const std::function<void(std::string_view)>& write, const MemoryListView& view,
                   const DeviceList& devices, const SiteCameras& cameras,
                   const std::vector<std::vector<std::string>>& warnings) {
    // ScanJson's members in its order, each value's text as its compact dump gives it.
    DocumentWriter writer(write);
    writer.Add("{\"rows\":[");
    const char* separator = "";
    for (const auto& row : view.rows()) {
        writer.Add(separator);
        writer.Add(CompactText(RowJson(row)));
        separator = ",";
    }
    writer.Add("],\"devices\":[");
    separator = "";
    InterfaceNames interface_names;
    std::size_t i = 0;
    for (const DeviceRecord& d : devices) {
        writer.Add(separator);
        writer.Add(CompactText(WithWarnings(SiteDeviceJson(d, cameras, interface_names), i++,
                                            warnings)));
        separator = ",";
    }
    for (const OnvifDevice* camera : cameras.alone()) {
        writer.Add(separator);
        writer.Add(CompactText(WithWarnings(CameraJson(*camera, interface_names), i++, warnings)));
        separator = ",";
    }
    writer.Add("],\"dropped_devices\":");
    writer.Add(CompactText(Json(devices.dropped_devices())));
    writer.Add("}\n");
    writer.Finish();
}

std::string JsonText(const Json& document) {
    return CompactText(document) + '\n';
}

}  // namespace norvik::cli
