#include "broadcast_sender.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "trace.h"
#include "udp_socket.h"
#include "utf.h"

namespace norvik {
namespace {

std::string Format(const char* format, int a, int b) {
    char line[96];
    std::snprintf(line, sizeof line, format, a, b);
    return line;
}

// What one datagram's send would have shown and written, kept back until it is known whether
// the request as a whole went out.
class HeldMessages : public UserMessages {
public:
    void ShowMessage(MessageStyle style, std::u16string_view text) override {
        held_.push_back({true, style, std::u16string(text), {}});
    }
    void WriteOutput(std::string_view line) override {
        held_.push_back({false, MessageStyle::kPlain, {}, std::string(line)});
    }
    bool empty() const { return held_.empty(); }
    // Shows and writes them as they would have been.
    void Release(UserMessages& to) const {
        for (const Held& held : held_) {
            if (held.box) {
                to.ShowMessage(held.style, held.text);
            } else {
                to.WriteOutput(held.line);
            }
        }
    }
    // Writes them as diagnostics, one a line, saying which card they concern.
    void WriteAsDiagnostics(const NetworkInterface& card, UserMessages& to) const {
        for (const Held& held : held_) {
            std::string text = held.box ? Utf16ToUtf8(held.text) + "\n" : held.line;
            to.WriteDiagnostic("norvik: through " + card.name + ": " + text);
        }
    }

private:
    struct Held {
        bool box;
        MessageStyle style;
        std::u16string text;
        std::string line;
    };
    std::vector<Held> held_;
};

// One datagram as the request's sender sends it: a fresh socket, one retry. `error` is the
// socket error of a failure, read before any line is written: writing may change it (on
// Windows, looking whether a stream is a console does).
int SendOne(const BroadcastSender& sender, ByteSpan datagram, const NetworkInterface* card,
            UserMessages& messages, int& error) {
    error = 0;
    UdpSocket socket = UdpSocket::Open();
    if (!socket.valid()) {
        error = LastSocketError();
        messages.ShowMessage(MessageStyle::kPlain,
                             ErrorMessage("ERROR:  %d socket() failed", error));
        return -1;
    }
    if (!socket.SetBroadcast()) {
        // Sent all the same; without broadcasting allowed it usually fails.
        messages.ShowMessage(
            MessageStyle::kPlain,
            ErrorMessage("ERROR:  %d setsockopt( SO_BROADCAST )", LastSocketError()));
    }
    if (card != nullptr && !socket.SendThrough(*card)) {
        error = LastSocketError();
        return -1;
    }
    int sent = socket.SendBroadcast(datagram, sender.port);
    if (sent == -1) {
        if (sender.logs_retry) {
            messages.WriteOutput(Format("ERROR:  sendto failed %d,errno:%d\n", -1, errno));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sent = socket.SendBroadcast(datagram, sender.port);
        error = sent < 0 ? LastSocketError() : 0;
        if (sender.logs_retry) {
            messages.WriteOutput(Format("again:  sendto st %d,errno:%d\n", sent, errno));
        }
    }
    return sent;
}

void TraceSend(const BroadcastSender& sender, const NetworkInterface* card, int result, int error,
               UserMessages& messages) {
    const std::string way = card != nullptr ? "through " + card->name : "by the routing table";
    std::string line = TraceClock() + " request to 255.255.255.255:" + std::to_string(sender.port) +
                       " " + way + ": ";
    line += result >= 0 ? "sent " + std::to_string(result) + " bytes"
                        : "not sent (" + std::to_string(sender.length) + " bytes, error " +
                              std::to_string(error) + ")";
    messages.WriteTrace(line + "\n");
}

}  // namespace

int SendThrough(std::span<const NetworkInterface> cards, const BroadcastSender& sender,
                ByteSpan request, UserMessages& messages, int* error_out) {
    const ByteSpan datagram = request.first(sender.length);
    if (cards.empty()) {
        int error = 0;
        const int result = SendOne(sender, datagram, nullptr, messages, error);
        if (messages.tracing()) {
            TraceSend(sender, nullptr, result, error, messages);
        }
        if (result < 0 && error_out != nullptr) {
            *error_out = error;
        }
        return result;
    }
    struct Failure {
        const NetworkInterface* card;
        std::unique_ptr<HeldMessages> held;
        int result;
        int error;
    };
    std::vector<Failure> failures;
    int sent = -1;
    for (const NetworkInterface& card : cards) {
        auto held = std::make_unique<HeldMessages>();
        int error = 0;
        const int result = SendOne(sender, datagram, &card, *held, error);
        if (messages.tracing()) {
            TraceSend(sender, &card, result, error, messages);
        }
        if (result >= 0) {
            sent = result;
            held->WriteAsDiagnostics(card, messages);
        } else {
            failures.push_back({&card, std::move(held), result, error});
        }
    }
    const bool none_sent = sent < 0;
    for (std::size_t i = 0; i < failures.size(); ++i) {
        const Failure& failure = failures[i];
        if (none_sent && i == 0) {
            // Not sent at all: said as for a single datagram.
            failure.held->Release(messages);
        } else if (failure.held->empty()) {
            messages.WriteDiagnostic("norvik: through " + failure.card->name +
                                     ": cannot send to port " + std::to_string(sender.port) +
                                     ", error " + std::to_string(failure.error) + "\n");
        } else {
            failure.held->WriteAsDiagnostics(*failure.card, messages);
        }
    }
    if (none_sent && error_out != nullptr) {
        *error_out = failures.front().error;
    }
    return none_sent ? failures.front().result : sent;
}

int Send(const BroadcastSender& sender, ByteSpan request, UserMessages& messages,
         int* error) {
    return SendThrough(SendingInterfaces(), sender, request, messages, error);
}

int SendRequest(const BroadcastSender& sender, ByteSpan request, UserMessages& messages) {
    int error = 0;
    const int result = Send(sender, request, messages, &error);
    if (result < 0) {
        char line[64];
        std::snprintf(line, sizeof line, "ERROR:  SOCKET transmit test fails %d\n", result);
        messages.WriteOutput(line);
        messages.RequestNotSent(sender.port, error);
    }
    return result;
}

}  // namespace norvik
