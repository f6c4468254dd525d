#include "trace.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "local_time.h"

namespace norvik {
namespace {

const char* ReasonText(DropReason reason) {
    switch (reason) {
        case DropReason::kReceiveFailed:
            return "the receive failed";
        case DropReason::kTooLong:
            return "too long (over 1000 bytes)";
        case DropReason::kTooShort:
            return "too short";
        case DropReason::kWrongLength:
            return "wrong length (not 445 bytes)";
        case DropReason::kWrongMagic:
            return "wrong magic";
        case DropReason::kRequest:
            return "a request, not a report";
        case DropReason::kUnknownType:
            return "unknown type";
        case DropReason::kListFull:
            return "list full";
        case DropReason::kNoMemory:
            return "out of memory";
        case DropReason::kUnknownMac:
            return "not a known MAC for a re-numbering report";
    }
    return "?";
}

}  // namespace

const char* DropReasonName(DropReason reason) {
    switch (reason) {
        case DropReason::kReceiveFailed:
            return "receive-failed";
        case DropReason::kTooLong:
            return "too-long";
        case DropReason::kTooShort:
            return "too-short";
        case DropReason::kWrongLength:
            return "wrong-length";
        case DropReason::kWrongMagic:
            return "wrong-magic";
        case DropReason::kRequest:
            return "request";
        case DropReason::kUnknownType:
            return "unknown-type";
        case DropReason::kListFull:
            return "list-full";
        case DropReason::kNoMemory:
            return "out-of-memory";
        case DropReason::kUnknownMac:
            return "unknown-mac";
    }
    return "?";
}

std::string DescribeOutcome(const DatagramOutcome& outcome) {
    const std::string row = std::to_string(outcome.row);
    switch (outcome.kind) {
        case DatagramOutcome::Kind::kNewDevice:
            return "new device, row " + row;
        case DatagramOutcome::Kind::kUpdated:
            return "updated, row " + row;
        case DatagramOutcome::Kind::kRowMoved:
            return "row " + row + " moved to the end";
        case DatagramOutcome::Kind::kRenumbered:
            return "re-numbered, now row " + row;
        case DatagramOutcome::Kind::kDropped:
            break;
    }
    std::string text = std::string("dropped: ") + ReasonText(outcome.reason);
    if (outcome.reason == DropReason::kUnknownType) {
        text += " " + std::to_string(outcome.type);
    }
    return text;
}

std::string TraceClock() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::tm local = LocalTime(seconds);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis));
    return text;
}

std::string DottedAddress(const Ipv4& address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

}  // namespace norvik
