#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "udp_socket.h"
#include "udp_socket_shared.h"

namespace norvik {

using namespace socket_address;

bool StartSockets() {
    return true;
}

int LastSocketError() {
    return errno;
}

std::string SocketErrorText(int code) {
    return std::string(std::strerror(code)) + " (error " + std::to_string(code) + ")";
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept {
    *this = std::move(other);
}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_.exchange(kInvalid);
        card_index_ = std::exchange(other.card_index_, 0);
        card_address_ = other.card_address_;
    }
    return *this;
}

UdpSocket UdpSocket::Open() {
    // Not inherited by programs we start, such as the web browser.
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return UdpSocket(handle < 0 ? kInvalid : handle);
}

bool UdpSocket::ReportArrivalCard() {
    const int on = 1;
    return ::setsockopt(handle_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0;
}

bool UdpSocket::SendThrough(const NetworkInterface& card) {
    card_index_ = card.index;
    card_address_ = card.address;
    return true;
}

int UdpSocket::SendBroadcast(ByteSpan datagram, std::uint16_t port) {
    sockaddr_in address = Ipv4SocketAddress(INADDR_BROADCAST, port);
    iovec part{const_cast<std::uint8_t*>(datagram.data()), datagram.size()};
    msghdr message{};
    message.msg_name = &address;
    message.msg_namelen = sizeof address;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (card_index_ != 0) {
        // The card's index picks the way out, its address the source.
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo card{};
        card.ipi_ifindex = static_cast<int>(card_index_);
        card.ipi_spec_dst = InAddr(card_address_);
        std::memcpy(CMSG_DATA(header), &card, sizeof card);
    }
    const ssize_t sent = ::sendmsg(handle_, &message, 0);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

void UdpSocket::WaitReadable() {
    const NativeSocket handle = handle_;
    // poll, not select: a descriptor numbered above FD_SETSIZE would overrun an fd_set.
    pollfd waiting{handle, POLLIN, 0};
    while (::poll(&waiting, 1, -1) < 0 && errno == EINTR) {
    }
}

std::size_t UdpSocket::ReceiveWaiting(std::span<const MutableByteSpan> buffers,
                                      std::span<ReceivedDatagram> received) {
    constexpr std::size_t kMost = 64;
    const std::size_t count = std::min(buffers.size(), kMost);
    iovec parts[kMost];
    mmsghdr messages[kMost];
    sockaddr_in from[kMost];
    alignas(cmsghdr) unsigned char control[kMost][kControlRoom];
    for (std::size_t i = 0; i < count; ++i) {
        parts[i] = {buffers[i].data(), buffers[i].size()};
        messages[i] = {};
        from[i] = {};
        messages[i].msg_hdr.msg_name = &from[i];
        messages[i].msg_hdr.msg_namelen = sizeof from[i];
        messages[i].msg_hdr.msg_iov = &parts[i];
        messages[i].msg_hdr.msg_iovlen = 1;
        messages[i].msg_hdr.msg_control = control[i];
        messages[i].msg_hdr.msg_controllen = kControlRoom;
    }
    const int got =
        ::recvmmsg(handle_, messages, static_cast<unsigned>(count), MSG_DONTWAIT, nullptr);
    if (got < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || count == 0) {
            return 0;
        }
        received[0] = {};  // a failed receive counts as one datagram, dropped
        return 1;
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i) {
        ReceivedDatagram& datagram = received[i];
        datagram = {};
        // POSIX cuts a long datagram silently; MSG_TRUNC tells, so it can be dropped instead.
        datagram.too_long = (messages[i].msg_hdr.msg_flags & MSG_TRUNC) != 0;
        datagram.length = datagram.too_long ? -1 : static_cast<int>(messages[i].msg_len);
        ReadSource(from[i], datagram);
        for (cmsghdr* header = CMSG_FIRSTHDR(&messages[i].msg_hdr); header != nullptr;
             header = CMSG_NXTHDR(&messages[i].msg_hdr, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                in_pktinfo card;
                std::memcpy(&card, CMSG_DATA(header), sizeof card);
                datagram.interface_index = static_cast<std::uint32_t>(card.ipi_ifindex);
            }
        }
    }
    return static_cast<std::size_t>(got);
}

void UdpSocket::Shutdown() {
    // On an unbound or unconnected datagram socket this reports ENOTCONN but still wakes
    // every waiter, which then reads an empty datagram.
    ::shutdown(handle_, SHUT_RDWR);
}

void UdpSocket::Close() {
    const NativeSocket handle = handle_.exchange(kInvalid);
    if (handle == kInvalid) {
        return;
    }
    ::close(handle);
}

}  // namespace norvik
