#include <mswsock.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <iterator>
#include <string>
#include <utility>

#include "udp_socket.h"
#include "udp_socket_shared.h"
#include "utf.h"

namespace norvik {

using namespace socket_address;

bool StartSockets() {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

int LastSocketError() {
    return WSAGetLastError();
}

std::string SocketErrorText(int code) {
    // The wide variant: the system's words in its own language, as UTF-8, not in the ANSI code
    // page ("Accès refusé" would not be UTF-8 in a JSON document or a journal).
    wchar_t text[256] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(code), 0, text,
                                        static_cast<DWORD>(std::size(text)), nullptr);
    std::u16string words(reinterpret_cast<const char16_t*>(text), length);
    while (!words.empty() && (words.back() == u'\n' || words.back() == u'\r' ||
                              words.back() == u' ' || words.back() == u'.')) {
        words.pop_back();
    }
    if (words.empty()) {
        words = u"Windows Sockets error";
    }
    return Utf16ToUtf8(words) + " (error " + std::to_string(code) + ")";
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
        receive_message_ = std::exchange(other.receive_message_, nullptr);
    }
    return *this;
}

UdpSocket UdpSocket::Open() {
    const SOCKET handle = ::socket(AF_INET, SOCK_DGRAM, 0);
    return UdpSocket(handle == INVALID_SOCKET ? kInvalid : static_cast<NativeSocket>(handle));
}

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

void UdpSocket::WaitReadable() {
    const NativeSocket handle = handle_;
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
}

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

void UdpSocket::Shutdown() {
    // Not closed here: the waiting thread may still pass the handle to a socket call, and a
    // closed handle's number can already belong to another thread's new socket.
    shut_down_ = true;
}

void UdpSocket::Close() {
    const NativeSocket handle = handle_.exchange(kInvalid);
    if (handle == kInvalid) {
        return;
    }
    ::closesocket(static_cast<SOCKET>(handle));
}

}  // namespace norvik
