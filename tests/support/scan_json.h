#pragma once

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>

namespace norvik::test {

// The devices of a norvik-scan --json document by MAC, in a multimap: a device may be listed
// twice.
inline std::multimap<std::string, nlohmann::json> ScannedDevicesByMac(const std::string& document) {
    const nlohmann::json json = nlohmann::json::parse(document, nullptr, false);
    std::multimap<std::string, nlohmann::json> devices;
    EXPECT_FALSE(json.is_discarded()) << document;
    if (!json.is_discarded()) {
        for (const nlohmann::json& device : json.at("devices")) {
            devices.emplace(device.at("mac").get<std::string>(), device);
        }
    }
    return devices;
}

}  // namespace norvik::test
