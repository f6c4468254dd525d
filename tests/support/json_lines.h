#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace norvik::test {

// Text written a JSON object a line (events, the audit log): each line parsed with its members
// in order. A line that is not JSON fails the test and is left out.
inline std::vector<nlohmann::ordered_json> JsonLines(const std::string& text) {
    std::vector<nlohmann::ordered_json> objects;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        nlohmann::ordered_json object = nlohmann::ordered_json::parse(line, nullptr, false);
        EXPECT_FALSE(object.is_discarded()) << line;
        if (!object.is_discarded()) {
            objects.push_back(std::move(object));
        }
    }
    return objects;
}

// "2026-12-08T06:41:00Z": digits where the pattern has 9, the other characters as they are.
// (Not std::regex, which GCC 12's sanitized builds warn about.)
inline bool IsUtcTime(std::string_view text) {
    constexpr std::string_view kPattern = "9999-99-99T99:99:99Z";
    if (text.size() != kPattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == '9' ? !digit : text[i] != kPattern[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace norvik::test
