#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "device_report.h"
#include "request_buffer.h"
#include "wire.h"

// The PCEdit protocol on UDP port 4022: 74-byte requests that search for devices or change a
// device's settings, answered by "IPCam" reports of variable length.
namespace norvik::pcedit {

inline constexpr std::uint16_t kPort = 4022;
inline constexpr std::string_view kRequestMagic = "PCEdit";
inline constexpr std::string_view kReportMagic = "IPCam";

// Flag values of a request.
inline constexpr std::uint8_t kFlagLeave = 0;
inline constexpr std::uint8_t kFlagSet = 1;
inline constexpr std::uint8_t kFlagSearch = 2;

// Offsets of the request, of which the first kLength bytes are sent.
namespace request {
inline constexpr std::size_t kLength = 74;
inline constexpr std::size_t kMagic = 0;
inline constexpr std::size_t kAddressFlag = 6;    // address or netmask
inline constexpr std::size_t kAddressMarker = 7;  // 0x65 0x00 0x74 0x00
inline constexpr std::size_t kAddress = 11;
inline constexpr std::size_t kMac = 15;
inline constexpr std::size_t kNetmask = 21;
inline constexpr std::size_t kGatewayFlag = 25;
inline constexpr std::size_t kGatewayMarker = 26;  // 0x67 0x00
inline constexpr std::size_t kGateway = 28;
inline constexpr std::size_t kNameFlag = 32;
inline constexpr std::size_t kName = 33;
inline constexpr std::size_t kPortFlag = 51;
inline constexpr std::size_t kPortDigits = 52;  // up to 5 ASCII digits, NUL-filled
inline constexpr std::size_t kPortDigitsWidth = 5;
inline constexpr std::size_t kSubmitClearedFlag = 57;  // always 0 in a set request
inline constexpr std::size_t kStartupSearchFlag = 60;
inline constexpr std::size_t kDnsFlag = 63;
inline constexpr std::size_t kDns1 = 64;
inline constexpr std::size_t kDns2 = 68;
inline constexpr std::size_t kDhcpFlag = 72;
inline constexpr std::size_t kDhcpValue = 73;
}  // namespace request

// Offsets of a report. The fields from kHttpPort on come only in longer reports.
namespace report {
inline constexpr std::size_t kMagic = 0;
inline constexpr std::size_t kType = 5;
inline constexpr std::size_t kTag = 6;
inline constexpr std::size_t kAddress = 10;
inline constexpr std::size_t kMac = 14;
inline constexpr std::size_t kNetmask = 20;
inline constexpr std::size_t kGateway = 27;
inline constexpr std::size_t kName = 32;
inline constexpr std::size_t kHttpPort = 50;  // ASCII decimal
inline constexpr std::size_t kPort2 = 55;     // ASCII decimal
inline constexpr std::size_t kPortWidth = 5;
inline constexpr std::size_t kDns1 = 61;
inline constexpr std::size_t kDns2 = 65;
inline constexpr std::size_t kDhcp = 69;

inline constexpr std::size_t kMinLength = 50;
inline constexpr std::size_t kLengthWithPorts = 60;
inline constexpr std::size_t kLengthWithDns = 69;
inline constexpr std::size_t kLengthWithDhcp = 70;

inline constexpr std::uint8_t kTypeDevice = 0;
inline constexpr std::uint8_t kTypeRenumbering = 1;
}  // namespace report

using RequestBytes = std::span<std::uint8_t, kRequestBufferSize>;

// The search request a receive thread sends at start: the magic and the search flag in
// bytes 6, 25, 32 and 60; the rest is left as it is (all zero on first use).
void BuildStartupSearch(RequestBytes buffer);
// The Search command's request: the magic and the search flag in bytes 6 and 25 only, so
// every other byte re-sends what the last request left there.
void PrepareSearchCommand(RequestBytes buffer);

// A device report (type 0) in the form both protocols share.
DeviceReport ParseDeviceReport(ByteSpan datagram);

// Handles one datagram received on the PCEdit port through the card with this index (0 when
// not known); everything but an "IPCam" report of at least kMinLength bytes of type 0 or 1 is
// dropped. Call with LIST LOCK held.
DatagramOutcome HandleDatagram(const ReportContext& context, ByteSpan datagram,
                               std::uint32_t interface_index = 0);

}  // namespace norvik::pcedit
