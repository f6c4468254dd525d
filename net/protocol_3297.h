#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "device_report.h"
#include "request_buffer.h"
#include "wire.h"

// The 3297 protocol on UDP port 4023: 445-byte packets, little-endian integers. The program
// only searches with it; devices answer with 445-byte reports.
namespace norvik::p3297 {

inline constexpr std::uint16_t kPort = 4023;
inline constexpr std::size_t kPacketLength = 445;
inline constexpr std::string_view kMagic = "3297";
// The search request's type is the character '1'; a report's type is a byte value, so our
// own request, which comes back to us as a broadcast, is never taken for a report.
inline constexpr std::string_view kSearchType = "1";

namespace offset {
inline constexpr std::size_t kMagic = 0;
inline constexpr std::size_t kLength = 4;  // 16-bit little-endian
inline constexpr std::size_t kType = 6;
inline constexpr std::size_t kMac = 8;
inline constexpr std::size_t kTag = 14;
inline constexpr std::size_t kAddress = 23;
inline constexpr std::size_t kNetmask = 39;
inline constexpr std::size_t kGateway = 57;
inline constexpr std::size_t kHttpPort = 74;  // signed 32-bit little-endian
inline constexpr std::size_t kPort2 = 79;     // signed 32-bit little-endian
inline constexpr std::size_t kDns1 = 84;
inline constexpr std::size_t kDns2 = 100;
inline constexpr std::size_t kDhcp = 117;
inline constexpr std::size_t kName = 380;
}  // namespace offset

// Report types 1 and 2 are device reports alike; 3 is one that also tells of a refused setting.
inline constexpr std::uint8_t kFirstReportType = 1;
inline constexpr std::uint8_t kTypeLoginFailed = 3;
inline constexpr std::uint8_t kLastReportType = 3;

// Shown for a type-3 report: the device refused a setting for a wrong account or password.
inline constexpr std::u16string_view kLoginFailedMessage = u"設定失敗:帳號密碼錯誤";

// Writes the 445-byte search request into the head of the buffer.
void BuildSearchRequest(std::span<std::uint8_t, kRequestBufferSize> buffer);

// Whether a datagram is a report: exactly kPacketLength bytes of type 1, 2 or 3.
bool IsReport(ByteSpan datagram);
// Whether a datagram is a report that also tells of a refused setting.
bool IsLoginFailedReport(ByteSpan datagram);

DeviceReport ParseDeviceReport(ByteSpan datagram);

// Handles one datagram received on the 3297 port; call with LIST LOCK held.
DatagramOutcome HandleDatagram(const ReportContext& context, ByteSpan datagram,
                               std::uint32_t interface_index = 0);

}  // namespace norvik::p3297
