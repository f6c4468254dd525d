#include "udp_socket.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
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

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : handle_(other.handle_.exchange(kInvalid)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_.exchange(kInvalid);
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

int UdpSocket::SendBroadcast(ByteSpan datagram, std::uint16_t port) {
    const sockaddr_in address = Ipv4SocketAddress(INADDR_BROADCAST, port);
    const auto sent = ::sendto(handle_, reinterpret_cast<const char*>(datagram.data()),
                               static_cast<int>(datagram.size()), 0,
                               reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

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
                                      std::span<int> lengths) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(handle_.load()), &readable);
    timeval now{0, 0};
    if (buffers.empty() || ::select(0, &readable, nullptr, nullptr, &now) != 1) {
        return 0;
    }
    // One a call: Windows Sockets have no batch receive for datagrams.
    const int length = ::recvfrom(handle_, reinterpret_cast<char*>(buffers[0].data()),
                                  static_cast<int>(buffers[0].size()), 0, nullptr, nullptr);
    lengths[0] = length < 0 ? -1 : length;  // WSAEMSGSIZE for a datagram over the buffer
    return 1;
}
#else
std::size_t UdpSocket::ReceiveWaiting(std::span<const MutableByteSpan> buffers,
                                      std::span<int> lengths) {
    constexpr std::size_t kMost = 64;
    const std::size_t count = std::min(buffers.size(), kMost);
    iovec parts[kMost];
    mmsghdr messages[kMost];
    for (std::size_t i = 0; i < count; ++i) {
        parts[i] = {buffers[i].data(), buffers[i].size()};
        messages[i] = {};
        messages[i].msg_hdr.msg_iov = &parts[i];
        messages[i].msg_hdr.msg_iovlen = 1;
    }
    const int received =
        ::recvmmsg(handle_, messages, static_cast<unsigned>(count), MSG_DONTWAIT, nullptr);
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || count == 0) {
            return 0;
        }
        lengths[0] = -1;  // a failed receive counts as one datagram, dropped
        return 1;
    }
    for (int i = 0; i < received; ++i) {
        // POSIX cuts a long datagram silently; MSG_TRUNC tells, so it can be dropped instead.
        const bool cut = (messages[i].msg_hdr.msg_flags & MSG_TRUNC) != 0;
        lengths[static_cast<std::size_t>(i)] = cut ? -1 : static_cast<int>(messages[i].msg_len);
    }
    return static_cast<std::size_t>(received);
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
