#include "udp_socket.h"

#include <algorithm>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <mswsock.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace norvik {
namespace {

sockaddr_in Ipv4SocketAddress(std::uint32_t host_order_address, std::uint16_t port) {
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(host_order_address);
    return address;
}

in_addr InAddr(const Ipv4& address) {
    in_addr in;
    std::memcpy(&in, address.data(), sizeof in);
    return in;
}

// Where a datagram came from, read off the address the receive filled in.
void ReadSource(const sockaddr_in& from, ReceivedDatagram& received) {
    if (from.sin_family != AF_INET) {
        return;
    }
    std::memcpy(received.source.data(), &from.sin_addr, received.source.size());
    received.source_port = ntohs(from.sin_port);
}

// Room for the one control message the receive asks for, the arrival card.
constexpr std::size_t kControlRoom = 64;

}  // namespace

#ifdef _WIN32
bool StartSockets() {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

int LastSocketError() {
    return WSAGetLastError();
}
#else
bool StartSockets() {
    return true;
}

int LastSocketError() {
    return errno;
}
#endif

UdpSocket::UdpSocket(UdpSocket&& other) noexcept {
    *this = std::move(other);
}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_.exchange(kInvalid);
        card_index_ = std::exchange(other.card_index_, 0);
        card_address_ = other.card_address_;
#ifdef _WIN32
        receive_message_ = std::exchange(other.receive_message_, nullptr);
#endif
    }
    return *this;
}

bool UdpSocket::valid() const {
    return handle_ != kInvalid;
}

UdpSocket UdpSocket::Open() {
#ifdef _WIN32
    const SOCKET handle = ::socket(AF_INET, SOCK_DGRAM, 0);
    return UdpSocket(handle == INVALID_SOCKET ? kInvalid : static_cast<NativeSocket>(handle));
#else
    // Not inherited by programs we start, such as the web browser.
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return UdpSocket(handle < 0 ? kInvalid : handle);
#endif
}

bool UdpSocket::SetReuseAddress() {
    const int on = 1;
    return ::setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on),
                        sizeof on) == 0;
}

bool UdpSocket::SetBroadcast() {
    const int on = 1;
    return ::setsockopt(handle_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                        sizeof on) == 0;
}

bool UdpSocket::Bind(std::uint16_t port) {
    const sockaddr_in address = Ipv4SocketAddress(INADDR_ANY, port);
    return ::bind(handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

#ifdef _WIN32
bool UdpSocket::ReportArrivalCard() {
    const DWORD on = 1;
    if (::setsockopt(handle_, IPPROTO_IP, IP_PKTINFO, reinterpret_cast<const char*>(&on),
                     sizeof on) != 0) {
        return false;
    }
    GUID id = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG function = nullptr;
    DWORD returned = 0;
    if (::WSAIoctl(handle_, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &function,
                   sizeof function, &returned, nullptr, nullptr) != 0) {
        return false;
    }
    receive_message_ = reinterpret_cast<void*>(function);
    return true;
}

bool UdpSocket::SendThrough(const NetworkInterface& card) {
    // Windows sends a limited broadcast through the card of the address the socket is bound to.
    sockaddr_in address = Ipv4SocketAddress(INADDR_ANY, 0);
    address.sin_addr = InAddr(card.address);
    if (::bind(handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return false;
    }
    card_index_ = card.index;
    card_address_ = card.address;
    return true;
}

int UdpSocket::SendBroadcast(ByteSpan datagram, std::uint16_t port) {
    const sockaddr_in address = Ipv4SocketAddress(INADDR_BROADCAST, port);
    const auto sent = ::sendto(handle_, reinterpret_cast<const char*>(datagram.data()),
                               static_cast<int>(datagram.size()), 0,
                               reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent < 0 ? -1 : static_cast<int>(sent);
}
#else
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
#endif

void UdpSocket::WaitReadable() {
    const NativeSocket handle = handle_;
#ifdef _WIN32
    // Nothing wakes a select() on Windows but the socket itself, so it looks up now and then
    // to see whether Shutdown was called.
    while (!shut_down_) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(static_cast<SOCKET>(handle), &readable);
        timeval interval{0, kShutdownPollMicroseconds};
        if (::select(0, &readable, nullptr, nullptr, &interval) != 0) {
            return;  // readable, or an error that the receive will report
        }
    }
#else
    // poll, not select: a descriptor numbered above FD_SETSIZE would overrun an fd_set.
    pollfd waiting{handle, POLLIN, 0};
    while (::poll(&waiting, 1, -1) < 0 && errno == EINTR) {
    }
#endif
}

#ifdef _WIN32
std::size_t UdpSocket::ReceiveWaiting(std::span<const MutableByteSpan> buffers,
                                      std::span<ReceivedDatagram> received) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(handle_.load()), &readable);
    timeval now{0, 0};
    if (buffers.empty() || ::select(0, &readable, nullptr, nullptr, &now) != 1) {
        return 0;
    }
    // One a call: Windows Sockets have no batch receive for datagrams.
    ReceivedDatagram& datagram = received[0];
    datagram = {};
    sockaddr_in from{};
    int error = 0;
    if (receive_message_ != nullptr) {
        alignas(WSACMSGHDR) char control[kControlRoom] = {};
        WSABUF data{static_cast<ULONG>(buffers[0].size()),
                    reinterpret_cast<char*>(buffers[0].data())};
        WSAMSG message{};
        message.name = reinterpret_cast<sockaddr*>(&from);
        message.namelen = sizeof from;
        message.lpBuffers = &data;
        message.dwBufferCount = 1;
        message.Control = {sizeof control, control};
        DWORD length = 0;
        const auto receive = reinterpret_cast<LPFN_WSARECVMSG>(receive_message_);
        if (receive(handle_, &message, &length, nullptr, nullptr) == 0) {
            datagram.length = static_cast<int>(length);
            for (WSACMSGHDR* header = WSA_CMSG_FIRSTHDR(&message); header != nullptr;
                 header = WSA_CMSG_NXTHDR(&message, header)) {
                if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                    IN_PKTINFO card;
                    std::memcpy(&card, WSA_CMSG_DATA(header), sizeof card);
                    datagram.interface_index = card.ipi_ifindex;
                }
            }
        } else {
            error = WSAGetLastError();
        }
    } else {
        int from_length = sizeof from;
        const int length = ::recvfrom(handle_, reinterpret_cast<char*>(buffers[0].data()),
                                      static_cast<int>(buffers[0].size()), 0,
                                      reinterpret_cast<sockaddr*>(&from), &from_length);
        datagram.length = length < 0 ? -1 : length;
        error = length < 0 ? WSAGetLastError() : 0;
    }
    datagram.too_long = error == WSAEMSGSIZE;
    if (datagram.too_long) {
        datagram.length = -1;
    }
    ReadSource(from, datagram);
    return 1;
}
#else
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
#endif

void UdpSocket::Shutdown() {
#ifdef _WIN32
    // Not closed here: the waiting thread may still pass the handle to a socket call, and a
    // closed handle's number can already belong to another thread's new socket.
    shut_down_ = true;
#else
    // On an unbound or unconnected datagram socket this reports ENOTCONN but still wakes
    // every waiter, which then reads an empty datagram.
    ::shutdown(handle_, SHUT_RDWR);
#endif
}

void UdpSocket::Close() {
    const NativeSocket handle = handle_.exchange(kInvalid);
    if (handle == kInvalid) {
        return;
    }
#ifdef _WIN32
    ::closesocket(static_cast<SOCKET>(handle));
#else
    ::close(handle);
#endif
}

}  // namespace norvik
