#pragma once

#include <array>
#include <cstdint>

namespace norvik {

// IPv4 addresses are held as 4 octets in dotted order, first octet first.
using Ipv4 = std::array<std::uint8_t, 4>;
using MacAddress = std::array<std::uint8_t, 6>;
// Device names travel and are stored as UTF-8 in 18 NUL-filled bytes, not necessarily
// terminated within the 18.
using DeviceName = std::array<std::uint8_t, 18>;
using DeviceTag = std::array<std::uint8_t, 4>;

// The optional fields of a report, as bits of DeviceRecord::reported. A short PCEdit report
// lacks some of them; a 3297 report carries all.
inline constexpr std::uint8_t kReportedPorts = 1;
inline constexpr std::uint8_t kReportedDns = 2;
inline constexpr std::uint8_t kReportedMode = 4;

// The protocols a device answered in, as bits of DeviceRecord::heard_by.
inline constexpr std::uint8_t kHeardPcEdit = 1;
inline constexpr std::uint8_t kHeard3297 = 2;

// One device that answered a search. Both receive loops write it; the dialog's commands read
// it. list_index is the row number minus 1, or -1 while the record has no row yet.
struct DeviceRecord {
    DeviceTag tag{};
    Ipv4 ip{};
    Ipv4 netmask{};
    MacAddress mac{};  // given when the record is made; the device list finds records by it
    Ipv4 gateway{};
    DeviceName name{};
    std::int32_t list_index = -1;
    DeviceRecord* next = nullptr;
    std::int32_t dns_enabled = 0;
    std::int32_t http_port = 0;
    std::int32_t port2 = 0;
    Ipv4 dns1{};
    Ipv4 dns2{};
    std::uint8_t dhcp_on = 0;
    std::uint8_t dhcp_supported = 0;
    // Which of the optional fields the last report carried (kReported*): a value it did not
    // carry is an old one or a default, and says nothing about the device now.
    std::uint8_t reported = 0;
    // The protocols its reports came in since the record was made (kHeard*).
    std::uint8_t heard_by = 0;
    // The card the device was last heard on (the system's interface index); 0 when not known.
    std::uint32_t interface_index = 0;
    // Set when a report of this MAC came from another address than the record held: two
    // devices may share the MAC (cloned firmware does that), and a request by MAC reaches
    // both. other_ip is the address it held then.
    bool other_address_heard = false;
    Ipv4 other_ip{};
    // The device list's own: the order of appending, for its index by MAC.
    std::uint64_t appended = 0;
};

}  // namespace norvik
