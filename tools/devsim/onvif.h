#pragma once

// ONVIF cameras as WS-Discovery shows them: what a camera answers to a Probe, and the Hello and
// Bye it announces. Written here apart from the program's own WS-Discovery code, so that the
// two sides of a test read the messages separately.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devsim/device.h"

namespace norvik::devsim {

inline constexpr std::uint16_t kWsDiscoveryPort = 3702;
inline constexpr const char* kWsDiscoveryGroup = "239.255.255.250";

// What a Probe asks: its MessageID, and the local names of the types it looks for (none: any).
struct Probe {
    std::string message_id;
    std::vector<std::string> types;
};

// A Probe read from a datagram by a plain search of its text; nothing for anything else (a
// camera's own announcement coming back, a reply, junk).
std::optional<Probe> ReadProbe(std::string_view datagram);
// Whether the camera answers the Probe: it asks for none of the types or for one of its own.
bool Answers(const Camera& camera, const Probe& probe);

// Every byte but unreserved ASCII as %XX, as cameras write their scopes.
std::string PercentEncoded(std::string_view text);
// & < > " ' as entities.
std::string XmlEscaped(std::string_view text);
// The camera's scopes, space-separated: name, hardware and location first, then its own.
std::string ScopesText(const Camera& camera);

// The messages, each a whole SOAP envelope. `address` is where the camera answers from (its
// default XAddr's host).
std::string ProbeMatchesText(const Camera& camera, std::string_view relates_to,
                             std::string_view address);
std::string HelloText(const Camera& camera, std::string_view address);
std::string ByeText(const Camera& camera);

// A fresh urn:uuid (version 4, random).
std::string NewUrnUuid();
// The endpoint of the n-th camera of a flood.
std::string FloodEndpoint(std::uint32_t n);

}  // namespace norvik::devsim
