#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "json_reader.h"

namespace norvik::test {

// The devices of a norvik-scan --json document by MAC, in a multimap: a device may be listed
// twice.
inline std::multimap<std::string, JsonValue> ScannedDevicesByMac(const std::string& document) {
    const std::optional<JsonValue> json = ParseJson(document);
    std::multimap<std::string, JsonValue> devices;
    EXPECT_TRUE(json.has_value()) << document;
    if (json) {
        for (const JsonValue& device : (*json)["devices"].array()) {
            devices.emplace(device["mac"].string(), device);
        }
    }
    return devices;
}

}  // namespace norvik::test
