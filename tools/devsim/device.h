#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devsim/wire_layout.h"

namespace norvik::devsim {

using Ipv4 = std::array<std::uint8_t, wire::kIpv4Size>;  // first octet first
using Mac = std::array<std::uint8_t, wire::kMacSize>;
using NameField = std::array<std::uint8_t, wire::kNameSize>;  // raw bytes, NUL-filled
using TagField = std::array<std::uint8_t, wire::kTagSize>;

enum class Protocol { kPcEdit, k3297 };

// What a device does with a set request for it, the ways real ones fail included.
enum class SetBehaviour {
    kApply,    // takes every field
    kIgnore,   // takes nothing and answers as before
    kPartial,  // takes every field but the address and netmask
    kSilent,   // takes every field and never answers again
    kRestart,  // takes every field and answers nothing for restart_ms, as while restarting
};

// One simulated device: what it reports, and how oddly it reports it.
struct Device {
    Protocol protocol = Protocol::kPcEdit;
    Mac mac{};
    Ipv4 ip{};
    Ipv4 netmask{255, 255, 255, 0};
    Ipv4 gateway{};
    NameField name{};
    int http_port = 80;
    int port2 = 0;
    Ipv4 dns1{};
    Ipv4 dns2{};
    std::uint8_t dhcp = 0;  // the byte reported; non-zero means DHCP
    TagField tag{};

    // Unset: the protocol's usual report (PCEdit type 0 of 70 bytes, 3297 type 1 of 445).
    std::optional<int> report_type;
    std::optional<std::size_t> report_length;
    // Answers a settings change with a 3297 type-3 report ("wrong account or password")
    // instead of applying it.
    bool reject_set = false;
    SetBehaviour on_set = SetBehaviour::kApply;
    int restart_ms = 3000;  // SetBehaviour::kRestart

    bool operator==(const Device&) const = default;
};

int ReportType(const Device& device);
std::size_t ReportLength(const Device& device);

// Which search makes a raw datagram go out.
enum class RawTrigger { kPcEditSearch, k3297Search, kBothSearches };

// A datagram given byte for byte, for what no device model can produce.
struct RawDatagram {
    std::uint16_t port = 0;
    std::vector<std::uint8_t> bytes;
    RawTrigger on = RawTrigger::kPcEditSearch;
    std::optional<std::size_t> length;  // pads with zeros or cuts the bytes to this length

    bool operator==(const RawDatagram&) const = default;
};

RawTrigger DefaultRawTrigger(std::uint16_t port);
std::vector<std::uint8_t> RawDatagramBytes(const RawDatagram& raw);

// One camera that answers ONVIF's discovery.
struct Camera {
    std::string endpoint;  // urn:uuid:...
    std::string name;      // UTF-8; written percent-encoded into the scopes
    std::string hardware;
    std::string location;
    std::vector<std::string> scopes;  // further scopes, as given
    std::vector<std::string> xaddrs;  // empty: http://ADDRESS/onvif/device_service
    std::string types = "dn:NetworkVideoTransmitter";
    int metadata_version = 1;
    // The MAC of the card it answers from, for a reader of the description (a pcedit line of
    // the same device names it too); the network, not the reply, tells it to a scanner.
    std::optional<Mac> mac;

    bool operator==(const Camera&) const = default;
};

// A reply sent byte for byte to every Probe, for what no camera model produces.
struct OnvifRaw {
    std::vector<std::uint8_t> bytes;

    bool operator==(const OnvifRaw&) const = default;
};

struct DeviceTable {
    std::vector<Device> devices;
    std::vector<RawDatagram> raw;
    std::vector<Camera> cameras;
    std::vector<OnvifRaw> onvif_raw;

    bool operator==(const DeviceTable&) const = default;
};

// The fields that one PCEdit set request changes; an empty member is left alone.
struct SettingsChange {
    std::optional<Ipv4> ip;  // the address flag sets the address and the netmask together
    std::optional<Ipv4> netmask;
    std::optional<Ipv4> gateway;
    std::optional<NameField> name;
    std::optional<int> http_port;
    std::optional<Ipv4> dns1;  // the DNS flag sets both servers together
    std::optional<Ipv4> dns2;
    std::optional<std::uint8_t> dhcp;

    bool operator==(const SettingsChange&) const = default;
};

void ApplySettings(const SettingsChange& change, Device& device);

// The words of the description format: "apply", "ignore", "partial", "silent", "restart".
const char* SetBehaviourWord(SetBehaviour behaviour);
std::optional<SetBehaviour> SetBehaviourFromWord(std::string_view word);

std::string FormatMac(const Mac& mac);   // 00:11:22:aa:bb:cc
std::string FormatIpv4(const Ipv4& ip);  // 192.168.1.10
std::optional<Mac> ParseMac(std::string_view text);
std::optional<Ipv4> ParseIpv4(std::string_view text);

// A field from text: its UTF-8 bytes, NUL-filled; empty when the text does not fit.
std::optional<NameField> NameFromText(std::string_view text);
std::optional<TagField> TagFromText(std::string_view text);

}  // namespace norvik::devsim
