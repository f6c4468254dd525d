#pragma once

#include <string>

#include "device_list.h"
#include "memory_list_view.h"

namespace norvik {

// The rows in list-view order, one line each: number, name and address, separated by tabs.
std::string FormatRowsAsText(const MemoryListView& view);

// One JSON document: "rows" in list-view order and "devices" in list order, head to tail.
std::string FormatAsJson(const MemoryListView& view, const DeviceList& devices);

}  // namespace norvik
