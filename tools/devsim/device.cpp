#include "devsim/device.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "devsim/hex.h"

namespace norvik::devsim {
namespace {

constexpr std::size_t kPcEditDefaultLength = wire::pcedit_report::kFullSize;
constexpr std::size_t k3297DefaultLength = wire::packet3297::kSize;

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> FieldFromText(std::string_view text) {
    if (text.size() > N) {
        return std::nullopt;
    }
    std::array<std::uint8_t, N> field{};
    std::transform(text.begin(), text.end(), field.begin(),
                   [](char c) { return static_cast<std::uint8_t>(c); });
    return field;
}

}  // namespace

int ReportType(const Device& device) {
    if (device.report_type) {
        return *device.report_type;
    }
    return device.protocol == Protocol::kPcEdit ? wire::pcedit_report::kTypeDevice
                                                : wire::packet3297::kTypeDevice;
}

std::size_t ReportLength(const Device& device) {
    if (device.report_length) {
        return *device.report_length;
    }
    return device.protocol == Protocol::kPcEdit ? kPcEditDefaultLength : k3297DefaultLength;
}

RawTrigger DefaultRawTrigger(std::uint16_t port) {
    return port == wire::k3297Port ? RawTrigger::k3297Search : RawTrigger::kPcEditSearch;
}

std::vector<std::uint8_t> RawDatagramBytes(const RawDatagram& raw) {
    std::vector<std::uint8_t> bytes = raw.bytes;
    if (raw.length) {
        bytes.resize(*raw.length, 0);
    }
    return bytes;
}

void ApplySettings(const SettingsChange& change, Device& device) {
    device.ip = change.ip.value_or(device.ip);
    device.netmask = change.netmask.value_or(device.netmask);
    device.gateway = change.gateway.value_or(device.gateway);
    device.name = change.name.value_or(device.name);
    device.http_port = change.http_port.value_or(device.http_port);
    device.dns1 = change.dns1.value_or(device.dns1);
    device.dns2 = change.dns2.value_or(device.dns2);
    device.dhcp = change.dhcp.value_or(device.dhcp);
}

namespace {

constexpr std::pair<SetBehaviour, const char*> kSetBehaviourWords[] = {
    {SetBehaviour::kApply, "apply"},     {SetBehaviour::kIgnore, "ignore"},
    {SetBehaviour::kPartial, "partial"}, {SetBehaviour::kSilent, "silent"},
    {SetBehaviour::kRestart, "restart"},
};

}  // namespace

const char* SetBehaviourWord(SetBehaviour behaviour) {
    for (const auto& [b, word] : kSetBehaviourWords) {
        if (b == behaviour) {
            return word;
        }
    }
    return "apply";
}

std::optional<SetBehaviour> SetBehaviourFromWord(std::string_view word) {
    for (const auto& [b, w] : kSetBehaviourWords) {
        if (word == w) {
            return b;
        }
    }
    return std::nullopt;
}

std::string FormatMac(const Mac& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::string FormatIpv4(const Ipv4& ip) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", ip[0], ip[1], ip[2], ip[3]);
    return text;
}

std::optional<Mac> ParseMac(std::string_view text) {
    constexpr std::size_t kTextSize = 17;  // six pairs of digits and five colons
    if (text.size() != kTextSize) {
        return std::nullopt;
    }
    Mac mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const int high = HexDigitValue(text[i * 3]);
        const int low = HexDigitValue(text[i * 3 + 1]);
        if (high < 0 || low < 0 || (i + 1 < mac.size() && text[i * 3 + 2] != ':')) {
            return std::nullopt;
        }
        mac[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return mac;
}

std::optional<Ipv4> ParseIpv4(std::string_view text) {
    Ipv4 ip{};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < ip.size(); ++i) {
        if (i > 0) {
            if (p == end || *p != '.') {
                return std::nullopt;
            }
            ++p;
        }
        unsigned value = 0;
        const auto [next, error] = std::from_chars(p, end, value);
        if (error != std::errc() || next == p || next - p > 3 || value > 255) {
            return std::nullopt;
        }
        ip[i] = static_cast<std::uint8_t>(value);
        p = next;
    }
    if (p != end) {
        return std::nullopt;
    }
    return ip;
}

std::optional<NameField> NameFromText(std::string_view text) {
    return FieldFromText<wire::kNameSize>(text);
}

std::optional<TagField> TagFromText(std::string_view text) {
    return FieldFromText<wire::kTagSize>(text);
}

}  // namespace norvik::devsim
