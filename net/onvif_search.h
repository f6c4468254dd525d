#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "onvif_device.h"
#include "trace.h"
#include "udp_socket.h"
#include "user_messages.h"

namespace norvik {

// The search for ONVIF cameras: a WS-Discovery Probe through every card, the ProbeMatches that
// answer it, and, when asked, the Hello and Bye announcements cameras make between searches.
// Its cameras are listed beside the devices of the two protocols, never in the window's list:
// nothing can be sent to change them.
class OnvifSearch {
public:
    // A Hello or Bye heard; a Bye's device holds only its endpoint and source.
    struct Announcement {
        WsDiscoveryKind kind = WsDiscoveryKind::kHello;
        OnvifDevice device;
    };
    // Announcements kept for the program at most; past them the oldest are let go, counted as
    // dropped for a full list.
    static constexpr std::size_t kMaxAnnouncements = 4096;

    // hear_announcements: also listen on port 3702 in the multicast group, for Hello and Bye.
    OnvifSearch(UserMessages& messages, bool hear_announcements);
    ~OnvifSearch();
    OnvifSearch(const OnvifSearch&) = delete;
    OnvifSearch& operator=(const OnvifSearch&) = delete;

    // Opens the sockets and starts their receive threads. False when the search's own socket
    // cannot be opened (error says why). Not hearing announcements (port 3702 held by a program
    // that does not share it, no multicast) is no failure, as the searches still find every
    // camera: unheard says why, for the person.
    bool Start(std::string& error, std::string& unheard);
    // Forgets the cameras found and sends a Probe through every card; false when it went out
    // through none (error: the socket layer's code).
    bool Probe(int& error);
    // The cameras heard since the last Probe, in the order first heard, each with its MAC when
    // the neighbour table knows it.
    std::vector<OnvifDevice> Devices();
    // The Hello and Bye heard since the last call, in the order heard.
    std::vector<Announcement> TakeAnnouncements();
    bool announcements_waiting();
    void Stop();

    // Handles one datagram as the receive threads do; what it did, for the trace ("new camera
    // urn:uuid:..."). Public for the flood benchmark, which feeds it without sockets.
    std::string HandleDatagram(const ReceivedDatagram& arrival, ByteSpan datagram);

    // Datagrams received on either socket that are not requests, and those dropped by reason.
    std::uint64_t arrivals() const { return arrivals_.load(); }
    std::uint64_t dropped(DropReason reason) const {
        return dropped_[static_cast<std::size_t>(reason)].load(std::memory_order_relaxed);
    }

private:
    void ReceiveLoop(UdpSocket& socket);
    // Under mutex_: what the datagram read says to the list.
    std::string Handle(const ReceivedDatagram& arrival, WsDiscoveryRead read);
    enum class Kept { kNew, kAgain, kListFull };
    Kept Keep(const OnvifDevice& device);
    void Announce(WsDiscoveryKind kind, OnvifDevice device);

    UserMessages& messages_;
    bool hear_announcements_;
    std::atomic<bool> stopping_{false};
    UdpSocket search_socket_;
    UdpSocket announcement_socket_;
    std::vector<std::thread> threads_;

    std::mutex mutex_;  // guards the fields below
    std::map<std::string, std::size_t> by_endpoint_;  // index into devices_
    std::vector<OnvifDevice> devices_;
    std::deque<Announcement> announcements_;

    std::atomic<std::uint64_t> arrivals_{0};
    std::array<std::atomic<std::uint64_t>, kDropReasonCount> dropped_{};
};

}  // namespace norvik
