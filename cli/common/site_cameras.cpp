#include "site_cameras.h"

#include "device_text.h"
#include "network_interfaces.h"
#include "trace.h"
#include "utf.h"

namespace norvik::cli {

void SiteCameras::Match(const std::map<MacAddress, bool>& record_macs) {
    for (const OnvifDevice& camera : cameras_) {
        // A second camera with the same MAC (one device, two endpoints) stands alone: one
        // record holds one endpoint.
        if (camera.mac && record_macs.contains(*camera.mac) && !by_mac_.contains(*camera.mac)) {
            by_mac_.emplace(*camera.mac, &camera);
        } else {
            alone_.push_back(&camera);
        }
    }
}

const OnvifDevice* SiteCameras::Of(const DeviceRecord& record) const {
    const auto found = by_mac_.find(record.mac);
    return found == by_mac_.end() ? nullptr : found->second;
}

std::vector<std::string> ProtocolNames(std::uint8_t heard_by, bool onvif) {
    std::vector<std::string> names;
    if (heard_by & kHeardPcEdit) {
        names.emplace_back("pcedit");
    }
    if (heard_by & kHeard3297) {
        names.emplace_back("3297");
    }
    if (onvif) {
        names.emplace_back("onvif");
    }
    return names;
}

std::string ProtocolLabel(const std::vector<std::string>& protocols) {
    std::string label;
    for (const std::string& protocol : protocols) {
        label += (label.empty() ? "" : ",") + protocol;
    }
    return label;
}

void AddCameraFields(Json& device, const OnvifDevice& camera) {
    device["endpoint"] = camera.match.endpoint;
    device["types"] = camera.match.types;
    device["xaddrs"] = camera.match.xaddrs;
    device["scopes"] = camera.match.scopes;
    device["hardware"] = camera.fields.hardware;
    device["location"] = camera.fields.location;
}

Json CameraJson(const OnvifDevice& camera, InterfaceNames& interface_names) {
    Json device;
    device["list_index"] = nullptr;
    device["ip"] = DottedAddress(camera.source);
    device["mac"] = camera.mac ? Json(Utf16ToUtf8(MacText(*camera.mac))) : Json(nullptr);
    device["name"] = camera.fields.name;
    device["interface"] = InterfaceNameJson(camera.interface_index, interface_names);
    device["protocols"] = ProtocolNames(0, true);
    AddCameraFields(device, camera);
    return device;
}

}  // namespace norvik::cli
