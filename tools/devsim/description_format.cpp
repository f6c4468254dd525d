// Writing the description format: the device table as lines that read back as the same table.
#include <algorithm>
#include <span>

#include "devsim/description.h"
#include "devsim/hex.h"
#include "devsim/words.h"

namespace norvik::devsim {
namespace {

// Well-formed UTF-8 only (no overlong forms, surrogates or code points past U+10FFFF), so that
// the simulator's output stays valid text for whoever reads it.
bool IsValidUtf8(std::span<const std::uint8_t> text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::uint8_t lead = text[i];
        std::size_t extra = 0;
        std::uint8_t low = 0x80;  // the range of the first continuation byte
        std::uint8_t high = 0xbf;
        if (lead >= 0xc2 && lead <= 0xdf) {
            extra = 1;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            extra = 2;
            low = lead == 0xe0 ? 0xa0 : 0x80;
            high = lead == 0xed ? 0x9f : 0xbf;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            extra = 3;
            low = lead == 0xf0 ? 0x90 : 0x80;
            high = lead == 0xf4 ? 0x8f : 0xbf;
        } else if (lead >= 0x80) {
            return false;
        }
        if (text.size() - i <= extra) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if (text[i + k] < low || text[i + k] > high) {
                return false;
            }
            low = 0x80;
            high = 0xbf;
        }
        i += extra + 1;
    }
    return true;
}

// A field that reads back from plain text: printable UTF-8 up to a NUL, and only NULs after.
bool IsPlainText(std::span<const std::uint8_t> field) {
    const auto nul = std::find(field.begin(), field.end(), 0);
    if (std::any_of(nul, field.end(), [](std::uint8_t b) { return b != 0; })) {
        return false;
    }
    const std::span<const std::uint8_t> text(field.begin(), nul);
    return IsValidUtf8(text) && std::none_of(text.begin(), text.end(),
                                             [](std::uint8_t b) { return b < 0x20 || b == 0x7f; });
}

std::string FieldWord(const std::string& key, std::span<const std::uint8_t> field) {
    if (IsPlainText(field)) {
        const auto nul = std::find(field.begin(), field.end(), 0);
        return key + "=" + QuoteValue(std::string(field.begin(), nul));
    }
    auto end = field.end();
    while (end != field.begin() && *(end - 1) == 0) {
        --end;
    }
    return key + "_hex=" + FormatHex(std::span<const std::uint8_t>(field.begin(), end));
}

}  // namespace

std::string FormatDevice(const Device& device) {
    std::string line = device.protocol == Protocol::kPcEdit ? "pcedit" : "3297";
    line += " mac=" + FormatMac(device.mac);
    line += " ip=" + FormatIpv4(device.ip);
    line += " netmask=" + FormatIpv4(device.netmask);
    line += " gateway=" + FormatIpv4(device.gateway);
    line += " " + FieldWord("name", device.name);
    line += " port=" + std::to_string(device.http_port);
    line += " port2=" + std::to_string(device.port2);
    line += " dns1=" + FormatIpv4(device.dns1);
    line += " dns2=" + FormatIpv4(device.dns2);
    line += " dhcp=" + std::to_string(device.dhcp);
    line += " " + FieldWord("tag", device.tag);
    if (device.report_type) {
        line += " type=" + std::to_string(*device.report_type);
    }
    if (device.report_length) {
        line += " length=" + std::to_string(*device.report_length);
    }
    if (device.reject_set) {
        line += " reject_set=1";
    }
    if (device.on_set != SetBehaviour::kApply) {
        line += std::string(" on_set=") + SetBehaviourWord(device.on_set);
    }
    if (device.restart_ms != Device().restart_ms) {
        line += " restart_ms=" + std::to_string(device.restart_ms);
    }
    return line;
}

std::string FormatRaw(const RawDatagram& raw) {
    std::string line = "raw port=" + std::to_string(raw.port) + " hex=" + FormatHex(raw.bytes);
    if (raw.length) {
        line += " length=" + std::to_string(*raw.length);
    }
    if (raw.on != DefaultRawTrigger(raw.port)) {
        line += raw.on == RawTrigger::kPcEditSearch ? " on=pcedit"
                : raw.on == RawTrigger::k3297Search ? " on=3297"
                                                    : " on=both";
    }
    return line;
}

std::string FormatCamera(const Camera& camera) {
    const auto joined = [](const std::vector<std::string>& items) {
        std::string text;
        for (const std::string& item : items) {
            text += (text.empty() ? "" : " ") + item;
        }
        return text;
    };
    std::string line = "onvif endpoint=" + QuoteValue(camera.endpoint);
    for (const auto& [key, value] :
         {std::pair{"name", camera.name}, std::pair{"hardware", camera.hardware},
          std::pair{"location", camera.location}, std::pair{"scopes", joined(camera.scopes)},
          std::pair{"xaddrs", joined(camera.xaddrs)}}) {
        if (!value.empty()) {
            line += std::string(" ") + key + "=" + QuoteValue(value);
        }
    }
    if (camera.types != Camera().types) {
        line += " types=" + QuoteValue(camera.types);
    }
    if (camera.metadata_version != Camera().metadata_version) {
        line += " metadata_version=" + std::to_string(camera.metadata_version);
    }
    if (camera.mac) {
        line += " mac=" + FormatMac(*camera.mac);
    }
    return line;
}

std::string FormatOnvifRaw(const OnvifRaw& raw) {
    return "onvif_raw hex=" + FormatHex(raw.bytes);
}

std::string FormatTable(const DeviceTable& table) {
    std::string text;
    for (const auto& device : table.devices) {
        text += FormatDevice(device) + "\n";
    }
    for (const auto& raw : table.raw) {
        text += FormatRaw(raw) + "\n";
    }
    for (const auto& camera : table.cameras) {
        text += FormatCamera(camera) + "\n";
    }
    for (const auto& raw : table.onvif_raw) {
        text += FormatOnvifRaw(raw) + "\n";
    }
    return text;
}

}  // namespace norvik::devsim
