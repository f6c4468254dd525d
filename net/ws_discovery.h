#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trace.h"
#include "wire.h"

// ONVIF cameras' discovery: WS-Discovery (SOAP over UDP). A Probe for NetworkVideoTransmitter
// goes to the multicast group; each camera answers with a ProbeMatches to the Probe's source,
// and announces itself with Hello when it comes up and Bye when it leaves.
namespace norvik {

inline constexpr std::uint16_t kWsDiscoveryPort = 3702;
inline constexpr Ipv4 kWsDiscoveryGroup{239, 255, 255, 250};
// Datagrams longer than this are dropped whole: cameras' ProbeMatches are 1 to 3 KiB.
inline constexpr std::size_t kMaxWsDiscoveryDatagram = 8192;
// What one camera's record may keep of the text of its reply (endpoint, types, scopes, addresses)
// at most; a reply with more is dropped. Bounds the memory a flood of distinct endpoints costs.
inline constexpr std::size_t kMaxOnvifRecordText = 3072;

// One camera as a ProbeMatch or a Hello tells of it (a Bye has only the endpoint).
struct WsDiscoveryMatch {
    std::string endpoint;  // "urn:uuid:..."
    std::vector<std::string> types;   // as written: "dn:NetworkVideoTransmitter"
    std::vector<std::string> scopes;  // URIs, as written (percent-encoded)
    std::vector<std::string> xaddrs;  // the device service's addresses
    std::uint32_t metadata_version = 0;
    bool video_transmitter = false;  // Types name ONVIF's NetworkVideoTransmitter
};

enum class WsDiscoveryKind { kProbeMatches, kHello, kBye };

struct WsDiscoveryMessage {
    WsDiscoveryKind kind = WsDiscoveryKind::kProbeMatches;
    std::vector<WsDiscoveryMatch> matches;  // a Hello and a Bye have one
};

struct WsDiscoveryRead {
    std::optional<WsDiscoveryMessage> message;
    DropReason reason = DropReason::kReceiveFailed;  // when message is empty
};

// Reads a datagram received on the WS-Discovery sockets. Anything but a well-formed SOAP
// ProbeMatches, Hello or Bye that names its endpoint is dropped with its reason (a Probe, ours
// or another client's, is a request); so is a match past kMaxOnvifRecordText.
WsDiscoveryRead ReadWsDiscovery(ByteSpan datagram);

// The Probe for NetworkVideoTransmitter with this MessageID ("urn:uuid:...").
std::string WsDiscoveryProbe(std::string_view message_id);

// A fresh "urn:uuid:..." (version 4, random).
std::string NewMessageId();

// What ONVIF's scopes say of a camera, percent-decoded: the first name, hardware and location
// scope (onvif://www.onvif.org/name/..., .../hardware/..., .../location/...). A decoded value that
// is not UTF-8 has each bad byte replaced by U+FFFD.
struct OnvifScopeFields {
    std::string name;
    std::string hardware;
    std::string location;
};
OnvifScopeFields ReadOnvifScopes(const std::vector<std::string>& scopes);

}  // namespace norvik
