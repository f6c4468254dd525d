#include "onvif_search.h"

#include <new>

#include "device_list.h"
#include "neighbour_table.h"
#include "quoted_if_odd.h"

namespace norvik {
namespace {

bool OnSubnet(const Ipv4& address, const NetworkInterface& card) {
    for (std::size_t i = 0; i < address.size(); ++i) {
        if ((address[i] & card.netmask[i]) != (card.address[i] & card.netmask[i])) {
            return false;
        }
    }
    return card.netmask != Ipv4{};
}

// The card whose subnet holds the address: the one it came in on when that one does.
const NetworkInterface* LocalCard(const OnvifDevice& device,
                                  const std::vector<NetworkInterface>& cards) {
    const NetworkInterface* found = nullptr;
    for (const NetworkInterface& card : cards) {
        if (OnSubnet(device.source, card) &&
            (found == nullptr || card.index == device.interface_index)) {
            found = &card;
        }
    }
    return found;
}

// Each camera's MAC from the neighbour table, when it is on a card's subnet; the cards and the
// table read once for all of them.
template <typename Each>
void FindMacs(std::vector<Each>& items, OnvifDevice& (*device_of)(Each&)) {
    if (items.empty()) {
        return;
    }
    const std::vector<NetworkInterface> cards = BroadcastInterfaces();
    const NeighbourTable table = NeighbourTable::Read();
    for (Each& item : items) {
        OnvifDevice& device = device_of(item);
        if (const NetworkInterface* card = LocalCard(device, cards)) {
            device.mac = table.Find(device.source, *card);
        }
    }
}

std::string CardName(std::uint32_t index) {
    std::string card = InterfaceName(index);
    if (card.empty()) {
        card = index == 0 ? "?" : "#" + std::to_string(index);
    }
    return card;
}

}  // namespace

OnvifSearch::OnvifSearch(UserMessages& messages, bool hear_announcements)
    : messages_(messages), hear_announcements_(hear_announcements) {}

OnvifSearch::~OnvifSearch() {
    Stop();
}

bool OnvifSearch::Start(std::string& error, std::string& unheard) {
    search_socket_ = UdpSocket::Open();
    if (!search_socket_.valid() || !search_socket_.Bind(0)) {
        error = "cannot open the WS-Discovery search socket: " +
                SocketErrorText(LastSocketError());
        return false;
    }
    search_socket_.ReportArrivalCard();
    threads_.emplace_back([this] { ReceiveLoop(search_socket_); });
    if (!hear_announcements_) {
        return true;
    }
    announcement_socket_ = UdpSocket::Open();
    // Shared with any other WS-Discovery program of this PC, which hears the group as well.
    bool listening = announcement_socket_.valid() && announcement_socket_.SetReuseAddress() &&
                     announcement_socket_.Bind(kWsDiscoveryPort);
    if (listening) {
        const std::vector<NetworkInterface> cards = BroadcastInterfaces();
        bool joined = false;
        for (const NetworkInterface& card : cards) {
            joined = announcement_socket_.JoinMulticastGroup(kWsDiscoveryGroup, card.address) ||
                     joined;
        }
        listening = joined || (cards.empty() && announcement_socket_.JoinMulticastGroup(
                                                    kWsDiscoveryGroup, Ipv4{}));
    }
    if (!listening) {
        unheard = "ONVIF cameras' Hello and Bye cannot be heard (port " +
                  std::to_string(kWsDiscoveryPort) + ": " + SocketErrorText(LastSocketError()) +
                  "); each search still finds them";
        announcement_socket_.Close();
        return true;
    }
    announcement_socket_.ReportArrivalCard();
    threads_.emplace_back([this] { ReceiveLoop(announcement_socket_); });
    return true;
}

bool OnvifSearch::Probe(int& error) {
    {
        std::lock_guard lock(mutex_);
        by_endpoint_.clear();
        devices_.clear();
    }
    const std::string probe = WsDiscoveryProbe(NewMessageId());
    const ByteSpan bytes(reinterpret_cast<const std::uint8_t*>(probe.data()), probe.size());
    const std::vector<NetworkInterface> cards = BroadcastInterfaces();
    int last_error = 0;
    bool sent = false;
    const auto send = [&](const NetworkInterface* card) {
        const bool ok = (card == nullptr || search_socket_.SetMulticastCard(*card)) &&
                        search_socket_.SendTo(bytes, kWsDiscoveryGroup, kWsDiscoveryPort) >= 0;
        if (!ok) {
            last_error = LastSocketError();
        }
        sent = sent || ok;
        if (messages_.tracing()) {
            messages_.WriteTrace(TraceClock() + " port " + std::to_string(kWsDiscoveryPort) +
                                 ": Probe " + (ok ? "sent" : "not sent") +
                                 (card != nullptr ? " through " + card->name : std::string()) +
                                 (ok ? "" : ": " + SocketErrorText(last_error)) + "\n");
        }
    };
    for (const NetworkInterface& card : cards) {
        send(&card);
    }
    // Without a card, the routes choose (a PC whose only network is its own).
    if (cards.empty()) {
        send(nullptr);
    }
    error = sent ? 0 : last_error;
    return sent;
}

std::vector<OnvifDevice> OnvifSearch::Devices() {
    std::vector<OnvifDevice> devices;
    {
        std::lock_guard lock(mutex_);
        devices = devices_;
    }
    FindMacs<OnvifDevice>(devices, [](OnvifDevice& device) -> OnvifDevice& { return device; });
    return devices;
}

std::vector<OnvifSearch::Announcement> OnvifSearch::TakeAnnouncements() {
    std::vector<Announcement> taken;
    {
        std::lock_guard lock(mutex_);
        taken.assign(std::make_move_iterator(announcements_.begin()),
                     std::make_move_iterator(announcements_.end()));
        announcements_.clear();
    }
    FindMacs<Announcement>(
        taken, [](Announcement& announcement) -> OnvifDevice& { return announcement.device; });
    return taken;
}

bool OnvifSearch::announcements_waiting() {
    std::lock_guard lock(mutex_);
    return !announcements_.empty();
}

void OnvifSearch::Stop() {
    stopping_ = true;
    search_socket_.Shutdown();
    announcement_socket_.Shutdown();
    for (std::thread& thread : threads_) {
        thread.join();
    }
    threads_.clear();
    search_socket_.Close();
    announcement_socket_.Close();
}

void OnvifSearch::ReceiveLoop(UdpSocket& socket) {
    std::vector<std::uint8_t> buffer(kMaxWsDiscoveryDatagram);
    const MutableByteSpan spans[] = {MutableByteSpan(buffer)};
    ReceivedDatagram received[1];
    while (!stopping_) {
        socket.WaitReadable();
        if (stopping_) {
            break;
        }
        if (socket.ReceiveWaiting(spans, received) == 0) {
            continue;
        }
        const ReceivedDatagram& arrival = received[0];
        std::string outcome;
        if (arrival.length < 0) {
            const DropReason reason =
                arrival.too_long ? DropReason::kTooLong : DropReason::kReceiveFailed;
            dropped_[static_cast<std::size_t>(reason)].fetch_add(1, std::memory_order_relaxed);
            outcome = DescribeOutcome(DatagramOutcome::Dropped(reason));
        } else {
            outcome = HandleDatagram(
                arrival, ByteSpan(buffer).first(static_cast<std::size_t>(arrival.length)));
        }
        if (messages_.tracing()) {
            const std::string length =
                arrival.length >= 0 ? std::to_string(arrival.length) : "?";
            messages_.WriteTrace(TraceClock() + " port " + std::to_string(kWsDiscoveryPort) +
                                 " from " + DottedAddress(arrival.source) + ":" +
                                 std::to_string(arrival.source_port) + " on " +
                                 CardName(arrival.interface_index) + ", " + length +
                                 " bytes: " + outcome + "\n");
        }
    }
}

std::string OnvifSearch::HandleDatagram(const ReceivedDatagram& arrival, ByteSpan datagram) {
    try {
        // Read before the lock: the XML is the costly part, and touches nothing shared.
        WsDiscoveryRead read = ReadWsDiscovery(datagram);
        std::lock_guard lock(mutex_);
        return Handle(arrival, std::move(read));
    } catch (const std::bad_alloc&) {
        dropped_[static_cast<std::size_t>(DropReason::kNoMemory)].fetch_add(1);
        return DescribeOutcome(DatagramOutcome::Dropped(DropReason::kNoMemory));
    }
}

std::string OnvifSearch::Handle(const ReceivedDatagram& arrival, WsDiscoveryRead read) {
    if (!read.message) {
        if (read.reason != DropReason::kRequest) {
            ++arrivals_;
        }
        dropped_[static_cast<std::size_t>(read.reason)].fetch_add(1, std::memory_order_relaxed);
        return DescribeOutcome(DatagramOutcome::Dropped(read.reason));
    }
    ++arrivals_;
    const WsDiscoveryMessage& message = *read.message;
    std::string outcome;
    for (const WsDiscoveryMatch& match : message.matches) {
        if (!outcome.empty()) {
            outcome += ", ";
        }
        if (message.kind == WsDiscoveryKind::kBye) {
            OnvifDevice gone;
            gone.match.endpoint = match.endpoint;
            gone.source = arrival.source;
            gone.interface_index = arrival.interface_index;
            Announce(WsDiscoveryKind::kBye, std::move(gone));
            outcome += "Bye from " + QuotedIfOdd(match.endpoint);
            continue;
        }
        OnvifDevice device;
        device.match = match;
        device.fields = ReadOnvifScopes(match.scopes);
        device.source = arrival.source;
        device.interface_index = arrival.interface_index;
        const Kept kept = Keep(device);
        if (message.kind == WsDiscoveryKind::kHello) {
            // A Hello is news at once, even when the list of this search is full.
            Announce(WsDiscoveryKind::kHello, std::move(device));
            outcome += "Hello from ";
        } else {
            outcome += kept == Kept::kNew     ? "new camera "
                       : kept == Kept::kAgain ? "camera again "
                                              : "list full, not kept: ";
        }
        // An endpoint is the camera's text: a line end in it must not forge a trace line.
        outcome += QuotedIfOdd(match.endpoint);
    }
    return outcome;
}

OnvifSearch::Kept OnvifSearch::Keep(const OnvifDevice& device) {
    const auto found = by_endpoint_.find(device.match.endpoint);
    if (found != by_endpoint_.end()) {
        devices_[found->second] = device;
        return Kept::kAgain;
    }
    if (devices_.size() >= DeviceList::kMaxDevices) {
        dropped_[static_cast<std::size_t>(DropReason::kListFull)].fetch_add(1);
        return Kept::kListFull;
    }
    by_endpoint_.emplace(device.match.endpoint, devices_.size());
    devices_.push_back(device);
    return Kept::kNew;
}

void OnvifSearch::Announce(WsDiscoveryKind kind, OnvifDevice device) {
    if (!hear_announcements_) {
        return;
    }
    if (announcements_.size() >= kMaxAnnouncements) {
        announcements_.pop_front();
        dropped_[static_cast<std::size_t>(DropReason::kListFull)].fetch_add(1);
    }
    announcements_.push_back({kind, std::move(device)});
}

}  // namespace norvik
