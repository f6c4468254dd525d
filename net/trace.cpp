#include "trace.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <iterator>

#include "local_time.h"

namespace norvik {
namespace {

// Each reason's words, in the enum's order: its name for a metric's label and its text for the
// trace.
struct ReasonWords {
    const char* name;
    const char* text;
};
constexpr ReasonWords kReasonWords[] = {
    {"receive-failed", "the receive failed"},
    {"too-long", "too long (over 1000 bytes; WS-Discovery: over 8192)"},
    {"too-short", "too short"},
    {"wrong-length", "wrong length (not 445 bytes)"},
    {"wrong-magic", "wrong magic"},
    {"request", "a request, not a report"},
    {"unknown-type", "unknown type"},
    {"list-full", "list full"},
    {"out-of-memory", "out of memory"},
    {"unknown-mac", "not a known MAC for a re-numbering report"},
    {"bad-xml", "not well-formed XML"},
    {"xml-dtd", "a document type declaration (refused)"},
    {"xml-too-large", "past the bounds of a reply"},
    {"not-ws-discovery", "no ProbeMatches, Hello or Bye with an endpoint"},
    {"not-a-camera", "not an ONVIF NetworkVideoTransmitter"},
    {"no-xml-parser", "no XML parser on this system"},
};
static_assert(std::size(kReasonWords) == kDropReasonCount);
static_assert(static_cast<std::size_t>(DropReason::kNoXmlParser) + 1 == kDropReasonCount);

const ReasonWords& Words(DropReason reason) {
    static constexpr ReasonWords kUnknown{"?", "?"};
    const auto index = static_cast<std::size_t>(reason);
    return index < kDropReasonCount ? kReasonWords[index] : kUnknown;
}

}  // namespace

const char* DropReasonName(DropReason reason) {
    return Words(reason).name;
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
    std::string text = std::string("dropped: ") + Words(outcome.reason).text;
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
