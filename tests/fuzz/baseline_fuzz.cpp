// Fuzz target: a saved scan's bytes, as norvik-watch --baseline reads them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "address_text.h"
#include "baseline.h"
#include "fuzz_check.h"

using norvik::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const norvik::cli::Baseline baseline = norvik::cli::ReadBaseline(text);
    // Refused whole, or read whole: never some devices and an error.
    Check(baseline.error.empty() || baseline.devices.empty());
    Check(baseline.devices.size() <= norvik::cli::kMaxBaselineDevices);
    constexpr std::size_t kRecordFields = 15;  // the scanner's record without list_index
    constexpr std::size_t kCameraFields = 7;   // and what a camera adds
    constexpr std::size_t kCameraAloneFields = 11;
    for (const norvik::cli::HeardDevice& device : baseline.devices) {
        // Every device is kept by its MAC as the scanner writes it, or a camera whose MAC is
        // not known by its endpoint, and has every field of its record.
        const std::size_t fields = device.device.size();
        const bool by_mac = norvik::cli::ParseMac(device.key) &&
                            device.device.value("mac", std::string()) == device.key;
        const bool by_endpoint = device.device.contains("mac") &&
                                 device.device.at("mac").is_null() &&
                                 device.device.value("endpoint", std::string()) == device.key;
        Check(by_mac || by_endpoint);
        Check(fields == kCameraAloneFields ||
              (fields >= kRecordFields && fields <= kRecordFields + kCameraFields));
    }
    return 0;
}
