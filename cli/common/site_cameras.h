#pragma once

#include <map>
#include <string>
#include <vector>

#include "device_json.h"
#include "device_record.h"
#include "onvif_device.h"

// The ONVIF cameras of a search beside the devices of the two protocols: a camera whose MAC is a
// device's is that device, answering in both; the others stand alone.
namespace norvik::cli {

class SiteCameras {
public:
    SiteCameras() = default;
    // Holds pointers into its own cameras: moved, never copied.
    SiteCameras(const SiteCameras&) = delete;
    SiteCameras& operator=(const SiteCameras&) = delete;
    SiteCameras(SiteCameras&&) = default;
    SiteCameras& operator=(SiteCameras&&) = default;
    // records: the devices of the two protocols, any order.
    template <typename Records>
    SiteCameras(std::vector<OnvifDevice> cameras, const Records& records)
        : cameras_(std::move(cameras)) {
        std::map<MacAddress, bool> record_macs;
        for (const DeviceRecord& record : records) {
            record_macs.emplace(record.mac, true);
        }
        Match(record_macs);
    }

    // The camera that is this device, if one answered with its MAC.
    const OnvifDevice* Of(const DeviceRecord& record) const;
    // The cameras that are none of the devices, in the order heard.
    const std::vector<const OnvifDevice*>& alone() const { return alone_; }

private:
    void Match(const std::map<MacAddress, bool>& record_macs);

    std::vector<OnvifDevice> cameras_;
    std::map<MacAddress, const OnvifDevice*> by_mac_;
    std::vector<const OnvifDevice*> alone_;
};

// The protocols a device answered in, as the outputs name them: "pcedit", "3297", "onvif".
std::vector<std::string> ProtocolNames(std::uint8_t heard_by, bool onvif);
// The same, joined with commas: a metric's or event's "protocol" label.
std::string ProtocolLabel(const std::vector<std::string>& protocols);

// Adds a camera's own fields to a device's record: endpoint, types, xaddrs, scopes, hardware,
// location (name, address and MAC are the record's).
void AddCameraFields(Json& device, const OnvifDevice& camera);
// A camera that answered ONVIF alone, as the scanner's "devices" list shows it: no list_index
// (it has no row to pick), its address, its MAC or null, its scopes' name, its card, the
// protocols, then its own fields.
Json CameraJson(const OnvifDevice& camera, InterfaceNames& interface_names);

}  // namespace norvik::cli
