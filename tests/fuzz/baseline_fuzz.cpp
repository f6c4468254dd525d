// Fuzz target: a saved scan's bytes, as norvik-watch --baseline reads them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "address_text.h"
#include "baseline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const norvik::cli::Baseline baseline = norvik::cli::ReadBaseline(text);
    // Refused whole, or read whole: never some devices and an error.
    if (!baseline.error.empty() && !baseline.devices.empty()) {
        __builtin_trap();
    }
    if (baseline.devices.size() > norvik::DeviceList::kMaxDevices) {
        __builtin_trap();
    }
    constexpr std::size_t kRecordFields = 15;  // the scanner's record without list_index
    for (const norvik::cli::HeardDevice& device : baseline.devices) {
        // Every device has its MAC as the scanner writes it, and every field of the record.
        if (!norvik::cli::ParseMac(device.mac) || device.device.size() != kRecordFields ||
            device.device.value("mac", std::string()) != device.mac) {
            __builtin_trap();
        }
    }
    return 0;
}
