#include "devsim/description.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <set>
#include <span>
#include <variant>

#include "devsim/hex.h"
#include "devsim/words.h"

namespace norvik::devsim {
namespace {

constexpr int kMinPort = -9999;  // what fits five characters, the width of a PCEdit port
constexpr int kMaxPort = 99999;

std::optional<int> ParseInt(std::string_view text, int min, int max) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> FieldFromHex(std::string_view text) {
    const auto bytes = ParseHex(text);
    if (!bytes || bytes->size() > N) {
        return std::nullopt;
    }
    std::array<std::uint8_t, N> field{};
    std::copy(bytes->begin(), bytes->end(), field.begin());
    return field;
}

std::string Range(int min, int max) {
    return "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
}

// Sets one key of an entry: what the value should have been when it is not acceptable, empty
// when it is, nothing for an unknown key.
std::optional<std::string> SetDeviceKey(Device& device, const std::string& key,
                                        const std::string& value) {
    auto address = [&](Ipv4& field) -> std::string {
        const auto ip = ParseIpv4(value);
        if (!ip) {
            return "an IPv4 address such as 192.168.1.10";
        }
        field = *ip;
        return std::string();
    };
    auto number = [&](int min, int max, auto store) -> std::string {
        const auto n = ParseInt(value, min, max);
        if (!n) {
            return Range(min, max);
        }
        store(*n);
        return std::string();
    };
    if (key == "mac") {
        const auto mac = ParseMac(value);
        if (!mac) {
            return "a MAC address such as 00:11:22:33:44:55";
        }
        device.mac = *mac;
        return std::string();
    }
    if (key == "ip") {
        return address(device.ip);
    }
    if (key == "netmask") {
        return address(device.netmask);
    }
    if (key == "gateway") {
        return address(device.gateway);
    }
    if (key == "dns1") {
        return address(device.dns1);
    }
    if (key == "dns2") {
        return address(device.dns2);
    }
    if (key == "name" || key == "name_hex") {
        const auto name =
            key == "name" ? NameFromText(value) : FieldFromHex<wire::kNameSize>(value);
        if (!name) {
            return key == "name" ? "at most 18 bytes of UTF-8"
                                 : "at most 18 bytes as pairs of hexadecimal digits";
        }
        device.name = *name;
        return std::string();
    }
    if (key == "tag" || key == "tag_hex") {
        const auto tag = key == "tag" ? TagFromText(value) : FieldFromHex<wire::kTagSize>(value);
        if (!tag) {
            return key == "tag" ? "at most 4 bytes" : "at most 4 bytes as hexadecimal digits";
        }
        device.tag = *tag;
        return std::string();
    }
    if (key == "port") {
        return number(kMinPort, kMaxPort, [&](int n) { device.http_port = n; });
    }
    if (key == "port2") {
        return number(kMinPort, kMaxPort, [&](int n) { device.port2 = n; });
    }
    if (key == "dhcp") {
        return number(0, 255, [&](int n) { device.dhcp = static_cast<std::uint8_t>(n); });
    }
    if (key == "type") {
        return number(0, 255, [&](int n) { device.report_type = n; });
    }
    if (key == "length") {
        return number(0, static_cast<int>(wire::kMaxDatagramSize),
                      [&](int n) { device.report_length = static_cast<std::size_t>(n); });
    }
    if (key == "reject_set") {
        return number(0, 1, [&](int n) { device.reject_set = n == 1; });
    }
    if (key == "on_set") {
        const auto behaviour = SetBehaviourFromWord(value);
        device.on_set = behaviour.value_or(device.on_set);
        return behaviour ? std::string() : "apply, ignore, partial, silent or restart";
    }
    if (key == "restart_ms") {
        return number(0, 3600000, [&](int n) { device.restart_ms = n; });
    }
    return std::nullopt;
}

// A datagram's bytes from pairs of hexadecimal digits: what the value should have been, or empty.
std::string ReadDatagramHex(const std::string& value, std::vector<std::uint8_t>& bytes) {
    auto read = ParseHex(value);
    if (!read || read->size() > wire::kMaxDatagramSize) {
        return "pairs of hexadecimal digits, at most 65507 bytes";
    }
    bytes = std::move(*read);
    return std::string();
}

std::optional<std::string> SetRawKey(RawDatagram& raw, const std::string& key,
                                     const std::string& value) {
    if (key == "port") {
        const auto port = ParseInt(value, 1, 65535);
        if (!port) {
            return Range(1, 65535);
        }
        raw.port = static_cast<std::uint16_t>(*port);
        return std::string();
    }
    if (key == "hex") {
        return ReadDatagramHex(value, raw.bytes);
    }
    if (key == "length") {
        const auto length = ParseInt(value, 0, static_cast<int>(wire::kMaxDatagramSize));
        if (!length) {
            return Range(0, static_cast<int>(wire::kMaxDatagramSize));
        }
        raw.length = static_cast<std::size_t>(*length);
        return std::string();
    }
    if (key == "on") {
        if (value == "pcedit") {
            raw.on = RawTrigger::kPcEditSearch;
        } else if (value == "3297") {
            raw.on = RawTrigger::k3297Search;
        } else if (value == "both") {
            raw.on = RawTrigger::kBothSearches;
        } else {
            return "pcedit, 3297 or both";
        }
        return std::string();
    }
    return std::nullopt;
}

std::vector<std::string> SpaceSeparated(const std::string& text) {
    std::vector<std::string> items;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        items.push_back(text.substr(at, end - at));
        at = end;
    }
    return items;
}

std::optional<std::string> SetCameraKey(Camera& camera, const std::string& key,
                                        const std::string& value) {
    if (key == "endpoint") {
        camera.endpoint = value;
        return value.empty() ? "an endpoint such as urn:uuid:..." : std::string();
    }
    if (key == "name" || key == "hardware" || key == "location") {
        (key == "name" ? camera.name : key == "hardware" ? camera.hardware : camera.location) =
            value;
        return std::string();
    }
    if (key == "scopes" || key == "xaddrs") {
        (key == "scopes" ? camera.scopes : camera.xaddrs) = SpaceSeparated(value);
        return std::string();
    }
    if (key == "types") {
        camera.types = value;
        return std::string();
    }
    if (key == "metadata_version") {
        const auto version = ParseInt(value, 0, 1000000);
        camera.metadata_version = version.value_or(camera.metadata_version);
        return version ? std::string() : Range(0, 1000000);
    }
    if (key == "mac") {
        camera.mac = ParseMac(value);
        return camera.mac ? std::string() : "a MAC address such as 00:11:22:33:44:55";
    }
    return std::nullopt;
}

std::optional<std::string> SetOnvifRawKey(OnvifRaw& raw, const std::string& key,
                                           const std::string& value) {
    if (key == "hex") {
        return ReadDatagramHex(value, raw.bytes);
    }
    if (key == "text") {
        if (value.size() > wire::kMaxDatagramSize) {
            return "at most 65507 bytes";
        }
        raw.bytes.assign(value.begin(), value.end());
        return std::string();
    }
    if (key == "repeat") {
        // The text repeated: a reply larger than any camera's without a line that long.
        const auto times = ParseInt(value, 1, 65507);
        if (!times || raw.bytes.empty() || raw.bytes.size() * static_cast<std::size_t>(*times) >
                                               wire::kMaxDatagramSize) {
            return "1 to 65507, after hex= or text=, at most 65507 bytes in all";
        }
        const std::vector<std::uint8_t> once = raw.bytes;
        for (int i = 1; i < *times; ++i) {
            raw.bytes.insert(raw.bytes.end(), once.begin(), once.end());
        }
        return std::string();
    }
    return std::nullopt;
}

// Reads the key=value words of one entry into it; the first error, or empty.
template <typename Entry, typename SetKey>
std::string ReadKeys(std::span<const Word> words, const std::vector<std::string>& required,
                     Entry& entry, SetKey set_key) {
    std::set<std::string> seen;
    for (const Word& word : words) {
        if (!word.has_value) {
            return "'" + word.key + "' is not of the form key=value";
        }
        // name and name_hex (tag and tag_hex) set the same field.
        const bool hex_form = word.key.size() > 4 && word.key.ends_with("_hex");
        const std::string field = word.key.substr(0, word.key.size() - (hex_form ? 4 : 0));
        if (!seen.insert(field).second) {
            return "'" + field + "' is given twice";
        }
        const std::optional<std::string> expected = set_key(entry, word.key, word.value);
        if (!expected) {
            return "unknown key '" + word.key + "'";
        }
        if (!expected->empty()) {
            return "bad " + word.key + "='" + word.value + "': expected " + *expected;
        }
    }
    for (const auto& key : required) {
        if (seen.count(key) == 0) {
            return "missing " + key + "=";
        }
    }
    return {};
}

std::string ParseLine(std::string_view line, DeviceTable& table) {
    auto split = SplitWords(line);
    if (auto* error = std::get_if<std::string>(&split)) {
        return *error;
    }
    const auto& words = std::get<std::vector<Word>>(split);
    if (words.empty()) {
        return {};
    }
    const Word& kind = words.front();
    const auto rest = std::span<const Word>(words).subspan(1);
    if (!kind.has_value && (kind.key == "pcedit" || kind.key == "3297")) {
        Device device;
        device.protocol = kind.key == "pcedit" ? Protocol::kPcEdit : Protocol::k3297;
        auto error = ReadKeys(rest, {"mac", "ip"}, device, SetDeviceKey);
        if (error.empty()) {
            table.devices.push_back(device);
        }
        return error;
    }
    if (!kind.has_value && kind.key == "raw") {
        RawDatagram raw;
        auto error = ReadKeys(rest, {"port", "hex"}, raw, SetRawKey);
        const bool trigger_given =
            std::any_of(rest.begin(), rest.end(), [](const Word& w) { return w.key == "on"; });
        if (!trigger_given) {
            raw.on = DefaultRawTrigger(raw.port);
        }
        if (error.empty()) {
            table.raw.push_back(std::move(raw));
        }
        return error;
    }
    if (!kind.has_value && kind.key == "onvif") {
        Camera camera;
        auto error = ReadKeys(rest, {"endpoint"}, camera, SetCameraKey);
        if (error.empty()) {
            table.cameras.push_back(std::move(camera));
        }
        return error;
    }
    if (!kind.has_value && kind.key == "onvif_raw") {
        OnvifRaw raw;
        const bool one_form =
            std::count_if(rest.begin(), rest.end(), [](const Word& w) {
                return w.key == "hex" || w.key == "text";
            }) == 1;
        auto error = one_form ? ReadKeys(rest, {}, raw, SetOnvifRawKey)
                              : std::string("give either hex= or text=");
        if (error.empty()) {
            table.onvif_raw.push_back(std::move(raw));
        }
        return error;
    }
    return "a line starts with pcedit, 3297, raw, onvif or onvif_raw, not '" + kind.key + "'";
}

}  // namespace

ParsedDescription ParseDescription(std::string_view text) {
    ParsedDescription parsed;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        std::string error = ParseLine(line, parsed.table);
        if (!error.empty()) {
            parsed.errors.push_back({number, std::move(error)});
        }
    }
    return parsed;
}

}  // namespace norvik::devsim
