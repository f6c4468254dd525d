#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "device_record.h"

namespace norvik {

// What became of one datagram received.
enum class DropReason : std::uint8_t {
    kReceiveFailed,
    kTooLong,      // longer than the receive buffer
    kTooShort,     // shorter than the protocol's shortest report
    kWrongLength,  // a 3297 datagram is exactly one length
    kWrongMagic,   // not the protocol's report
    kRequest,      // a search or set request: ours, or another program's
    kUnknownType,  // a report of a type the program does not handle
    kListFull,     // a new device while the list holds as many as it may
    kNoMemory,     // a new device for which no record could be made
    kUnknownMac,   // a re-numbering report of a device not listed
    // WS-Discovery (ONVIF) replies:
    kXmlMalformed,    // not well-formed XML
    kXmlDtd,          // a document type declaration, refused with all it might define
    kXmlTooLarge,     // past the bounds on elements, depth, text or a camera's record
    kNotWsDiscovery,  // well-formed, but no ProbeMatches, Hello or Bye with an endpoint
    kNotCamera,       // a WS-Discovery device that is no ONVIF NetworkVideoTransmitter
    kNoXmlParser,     // the system's XML parser could not be loaded
};
inline constexpr std::size_t kDropReasonCount = 16;

// A reason as a metric's label shows it: "too-short", "list-full".
const char* DropReasonName(DropReason reason);

struct DatagramOutcome {
    enum class Kind : std::uint8_t { kNewDevice, kUpdated, kRowMoved, kRenumbered, kDropped };

    Kind kind = Kind::kDropped;
    DropReason reason = DropReason::kReceiveFailed;  // for kDropped
    int row = 0;                                     // the device's row number after the report
    int type = 0;                                    // for kUnknownType: the type byte

    static DatagramOutcome Listed(Kind kind, const DeviceRecord& record) {
        return {kind, DropReason::kReceiveFailed, record.list_index + 1, 0};
    }
    static DatagramOutcome Dropped(DropReason reason, int type = 0) {
        return {Kind::kDropped, reason, 0, type};
    }
};

// The trace's words for an outcome: "new device, row 3", "dropped: too short".
std::string DescribeOutcome(const DatagramOutcome& outcome);

// The local time of day to the millisecond, "14:03:07.412", which every trace line starts with.
std::string TraceClock();

// An address as people write it: "10.1.0.20".
std::string DottedAddress(const Ipv4& address);

}  // namespace norvik
