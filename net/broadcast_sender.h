#pragma once

#include <cstddef>
#include <cstdint>

#include "pcedit.h"
#include "protocol_3297.h"
#include "user_messages.h"
#include "wire.h"

namespace norvik {

// One sender per protocol: a fresh socket for each datagram, one broadcast, one retry.
struct BroadcastSender {
    std::uint16_t port;
    std::size_t length;  // the leading bytes of the request that go out
    bool logs_retry;     // writes the retry's two lines to standard output
};

inline constexpr BroadcastSender kPcEditSender{pcedit::kPort, pcedit::request::kLength, true};
inline constexpr BroadcastSender k3297Sender{p3297::kPort, p3297::kPacketLength, false};

// Broadcasts the first sender.length bytes of request (which holds at least that many) to
// 255.255.255.255; returns the number of bytes sent, or a negative value on failure (after
// reporting it).
int Send(const BroadcastSender& sender, ByteSpan request, UserMessages& messages);

// Send, and on failure also writes "ERROR:  SOCKET transmit test fails %d" to standard
// output. What the PCEdit and 3297 wrappers do; the callers go on either way.
void SendRequest(const BroadcastSender& sender, ByteSpan request, UserMessages& messages);

}  // namespace norvik
