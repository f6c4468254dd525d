#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "network_interfaces.h"
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
// 255.255.255.255 once through every card that can broadcast, or once the way the routes say
// where there is none; returns the number of bytes sent, or a negative value on failure.
//
// A request that could not be sent at all is reported as one datagram's failure: boxes and
// standard-output lines. A failure on some of several cards goes to the diagnostics instead.
int Send(const BroadcastSender& sender, ByteSpan request, UserMessages& messages,
         int* error = nullptr);
// The same through the given cards (none: the routes' way).
// When nothing was sent, *error (if given) is the socket layer's code of the first failure.
int SendThrough(std::span<const NetworkInterface> cards, const BroadcastSender& sender,
                ByteSpan request, UserMessages& messages, int* error = nullptr);

// Send, and on failure also writes "ERROR:  SOCKET transmit test fails %d" to standard
// output and tells messages.RequestNotSent. What the PCEdit and 3297 wrappers do; the window
// goes on either way. Returns Send's result.
int SendRequest(const BroadcastSender& sender, ByteSpan request, UserMessages& messages);

}  // namespace norvik
