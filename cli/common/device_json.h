#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "device_list.h"
#include "memory_list_view.h"
#include "wire.h"

namespace norvik::cli {

// Members keep the order they were added in, as readers of the scanner's documents know it.
using Json = nlohmann::ordered_json;

class SiteCameras;

// Card names by index, looked up once each: a null name when the card is not known.
using InterfaceNames = std::map<std::uint32_t, Json>;

// A card's name for the index, null when not known.
const Json& InterfaceNameJson(std::uint32_t index, InterfaceNames& interface_names);

// One device record as the scanner's "devices" list shows it.
Json DeviceJson(const DeviceRecord& device, InterfaceNames& interface_names);
// The same with the protocols it answered in and, when it answered ONVIF too, its camera's
// fields.
Json SiteDeviceJson(const DeviceRecord& device, const SiteCameras& cameras,
                    InterfaceNames& interface_names);

// The scanner's document: "rows" in list-view order, "devices" in list order, head to tail,
// each with its "protocols" and, when it answered ONVIF too, its camera's fields, then the
// cameras that answered ONVIF alone, each with its "warnings" (given in that order), and
// "dropped_devices", the reports of new devices dropped because the list was full.
Json ScanJson(const MemoryListView& view, const DeviceList& devices, const SiteCameras& cameras,
              const std::vector<std::vector<std::string>>& warnings);

// ScanJson's document, handed to `write` piece by piece as JsonText would give it, without
// holding more than one device's record at a time: a full list's document is several times
// the size of the list.
void WriteScanJson(const std::function<void(std::string_view)>& write, const MemoryListView& view,
                   const DeviceList& devices, const SiteCameras& cameras,
                   const std::vector<std::vector<std::string>>& warnings);

// The compact text of a document, with a line feed after it.
std::string JsonText(const Json& document);

// Lower-case hexadecimal pairs.
std::string HexText(ByteSpan bytes);

}  // namespace norvik::cli
