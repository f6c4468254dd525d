#include "broadcast_sender.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "udp_socket.h"

namespace norvik {
namespace {

std::string Format(const char* format, int a, int b) {
    char line[96];
    std::snprintf(line, sizeof line, format, a, b);
    return line;
}

}  // namespace

int Send(const BroadcastSender& sender, ByteSpan request, UserMessages& messages) {
    UdpSocket socket = UdpSocket::Open();
    if (!socket.valid()) {
        messages.ShowMessage(MessageStyle::kPlain,
                             ErrorMessage("ERROR:  %d socket() failed", LastSocketError()));
        return -1;
    }
    if (!socket.SetBroadcast()) {
        // Sent all the same; without broadcasting allowed it usually fails.
        messages.ShowMessage(MessageStyle::kPlain, ErrorMessage("ERROR:  %d setsockopt( SO_BROADCAST )",
                                                                LastSocketError()));
    }
    const ByteSpan datagram = request.first(sender.length);
    int sent = socket.SendBroadcast(datagram, sender.port);
    if (sent == -1) {
        if (sender.logs_retry) {
            messages.WriteOutput(Format("ERROR:  sendto failed %d,errno:%d\n", -1, errno));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sent = socket.SendBroadcast(datagram, sender.port);
        if (sender.logs_retry) {
            messages.WriteOutput(Format("again:  sendto st %d,errno:%d\n", sent, errno));
        }
    }
    return sent;
}

void SendRequest(const BroadcastSender& sender, ByteSpan request, UserMessages& messages) {
    const int result = Send(sender, request, messages);
    if (result < 0) {
        char line[64];
        std::snprintf(line, sizeof line, "ERROR:  SOCKET transmit test fails %d\n", result);
        messages.WriteOutput(line);
    }
}

}  // namespace norvik
