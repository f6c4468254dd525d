#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "devsim/device.h"

namespace norvik::devsim {

// The report a device broadcasts, cut or zero-padded to its report length.
std::vector<std::uint8_t> BuildPcEditReport(const Device& device);
std::vector<std::uint8_t> Build3297Report(const Device& device);
std::vector<std::uint8_t> BuildReport(const Device& device);
std::uint16_t ReportPort(const Device& device);

struct PcEditSearch {};
struct Search3297 {};
// A settings change for the device with this MAC, whichever protocol it reports with.
struct PcEditSet {
    Mac target{};
    SettingsChange change;
};
// A settings change that a device refuses to apply, because its fixed bytes are wrong.
struct MalformedSet {
    Mac target{};
    std::string reason;
};
struct NotARequest {
    std::string reason;
};
using Request = std::variant<NotARequest, PcEditSearch, PcEditSet, MalformedSet, Search3297>;

// Reads a datagram that arrived on port 4022 or on port 4023.
Request ParsePcEditRequest(std::span<const std::uint8_t> datagram);
Request Parse3297Request(std::span<const std::uint8_t> datagram);

// A decimal number read the way atoi reads it, from at most the given bytes: leading blanks
// and a sign are allowed, reading stops at the first non-digit, no digits read as 0.
int ReadAsciiDecimal(std::span<const std::uint8_t> field);

}  // namespace norvik::devsim
