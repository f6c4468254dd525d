#pragma once

// Every offset the device simulator reads or writes, in one place. These are kept apart from
// net/ on purpose: the simulator checks the program's packets with its own reading of the
// layouts, so a wrong offset on one side shows up as a failing test, not as two matching bugs.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace norvik::devsim::wire {

inline constexpr std::uint16_t kPcEditPort = 4022;
inline constexpr std::uint16_t k3297Port = 4023;

inline constexpr std::size_t kIpv4Size = 4;
inline constexpr std::size_t kMacSize = 6;
inline constexpr std::size_t kNameSize = 18;
inline constexpr std::size_t kTagSize = 4;

// The largest payload one IPv4 UDP datagram can carry.
inline constexpr std::size_t kMaxDatagramSize = 65507;

// 74-byte request that the program broadcasts to port 4022: a search, or a settings change
// addressed to one MAC.
namespace pcedit_request {
inline constexpr std::size_t kSize = 74;
inline constexpr std::string_view kMagic = "PCEdit";
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kAddressFlag = 6;  // also tells a search (2) from a change
inline constexpr std::size_t kFixedBytes = 7;
inline constexpr std::uint8_t kFixedBytesValue[] = {0x65, 0x00, 0x74, 0x00};
inline constexpr std::size_t kIp = 11;
inline constexpr std::size_t kMac = 15;
inline constexpr std::size_t kNetmask = 21;
inline constexpr std::size_t kGatewayFlag = 25;
inline constexpr std::size_t kGatewayFixedBytes = 26;
inline constexpr std::uint8_t kGatewayFixedBytesValue[] = {0x67, 0x00};
inline constexpr std::size_t kGateway = 28;
inline constexpr std::size_t kNameFlag = 32;
inline constexpr std::size_t kName = 33;
inline constexpr std::size_t kPortFlag = 51;
inline constexpr std::size_t kPort = 52;
inline constexpr std::size_t kPortWidth = 5;
inline constexpr std::size_t kDnsFlag = 63;
inline constexpr std::size_t kDns1 = 64;
inline constexpr std::size_t kDns2 = 68;
inline constexpr std::size_t kDhcpFlag = 72;
inline constexpr std::size_t kDhcp = 73;

inline constexpr std::uint8_t kFlagSet = 1;
inline constexpr std::uint8_t kFlagSearch = 2;
}  // namespace pcedit_request

// Report that a PCEdit device broadcasts to port 4022. Its length varies: the fields from the
// web port on are present only in longer reports.
namespace pcedit_report {
inline constexpr std::size_t kFullSize = 70;
inline constexpr std::string_view kMagic = "IPCam";
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kType = 5;
inline constexpr std::size_t kTag = 6;
inline constexpr std::size_t kIp = 10;
inline constexpr std::size_t kMac = 14;
inline constexpr std::size_t kNetmask = 20;
inline constexpr std::size_t kGateway = 27;
inline constexpr std::size_t kName = 32;
inline constexpr std::size_t kHttpPort = 50;
inline constexpr std::size_t kPort2 = 55;
inline constexpr std::size_t kPortWidth = 5;
inline constexpr std::size_t kDns1 = 61;
inline constexpr std::size_t kDns2 = 65;
inline constexpr std::size_t kDhcp = 69;

inline constexpr std::uint8_t kTypeDevice = 0;
}  // namespace pcedit_report

// 445-byte packets on port 4023: the program's search request and the devices' reports share
// the header; integers are little-endian.
namespace packet3297 {
inline constexpr std::size_t kSize = 445;
inline constexpr std::string_view kMagic = "3297";
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kLength = 4;
inline constexpr std::size_t kType = 6;
inline constexpr std::size_t kMac = 8;
inline constexpr std::size_t kTag = 14;
inline constexpr std::size_t kIp = 23;
inline constexpr std::size_t kNetmask = 39;
inline constexpr std::size_t kGateway = 57;
inline constexpr std::size_t kHttpPort = 74;
inline constexpr std::size_t kPort2 = 79;
inline constexpr std::size_t kDns1 = 84;
inline constexpr std::size_t kDns2 = 100;
inline constexpr std::size_t kDhcp = 117;
inline constexpr std::size_t kName = 380;

// The search request's type is the ASCII digit, a report's the byte value.
inline constexpr std::uint8_t kTypeSearch = 0x31;
inline constexpr std::uint8_t kTypeDevice = 1;
inline constexpr std::uint8_t kTypeWrongPassword = 3;
}  // namespace packet3297

}  // namespace norvik::devsim::wire
