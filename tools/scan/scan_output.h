#pragma once

#include <string>

#include "device_list.h"
#include "memory_list_view.h"

namespace norvik {

// The rows in list-view order, one line each: number, name and address, separated by tabs.
std::string FormatRowsAsText(const MemoryListView& view);

// One JSON document: "rows" in list-view order, "devices" in list order, head to tail, and
// "dropped_devices", the reports of new devices dropped because the list was full.
std::string FormatAsJson(const MemoryListView& view, const DeviceList& devices);

}  // namespace norvik
