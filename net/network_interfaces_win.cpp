#include "network_interfaces.h"

// winsock2.h must come first: iphlpapi.h needs its types.
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format off
#include <iphlpapi.h>
// clang-format on

#include <memory>

#include "utf.h"

namespace norvik {
namespace {

struct AdapterList {
    std::unique_ptr<std::uint8_t[]> storage;
    const IP_ADAPTER_ADDRESSES* first = nullptr;
};

AdapterList ReadAdapters() {
    AdapterList list;
    ULONG size = 16 * 1024;
    // The list can grow between the call that sizes it and the one that fills it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        list.storage = std::make_unique<std::uint8_t[]>(size);
        auto* adapters = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(list.storage.get());
        const ULONG result = ::GetAdaptersAddresses(
            AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, adapters, &size);
        if (result == ERROR_SUCCESS) {
            list.first = adapters;
            return list;
        }
        if (result != ERROR_BUFFER_OVERFLOW) {
            break;
        }
    }
    list.storage.reset();
    return list;
}

}  // namespace

std::vector<NetworkInterface> BroadcastInterfaces() {
    std::vector<NetworkInterface> found;
    const AdapterList adapters = ReadAdapters();
    for (const IP_ADAPTER_ADDRESSES* a = adapters.first; a != nullptr; a = a->Next) {
        // Loopback and tunnels have no broadcast domain to search.
        if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK ||
            a->IfType == IF_TYPE_TUNNEL || a->IfIndex == 0) {
            continue;
        }
        for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u != nullptr;
             u = u->Next) {
            if (u->Address.lpSockaddr == nullptr || u->Address.lpSockaddr->sa_family != AF_INET) {
                continue;
            }
            const auto* in = reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr);
            const auto* octets = reinterpret_cast<const std::uint8_t*>(&in->sin_addr);
            NetworkInterface card;
            card.index = a->IfIndex;
            card.name = Utf16ToUtf8(FromWide(a->FriendlyName ? a->FriendlyName : L""));
            card.address = {octets[0], octets[1], octets[2], octets[3]};
            const std::uint32_t mask =
                u->OnLinkPrefixLength == 0
                    ? 0
                    : ~std::uint32_t{0} << (32 - std::min<unsigned>(u->OnLinkPrefixLength, 32));
            card.netmask = {static_cast<std::uint8_t>(mask >> 24),
                            static_cast<std::uint8_t>(mask >> 16),
                            static_cast<std::uint8_t>(mask >> 8), static_cast<std::uint8_t>(mask)};
            found.push_back(std::move(card));
            break;
        }
    }
    return found;
}

std::vector<NetworkInterface> SendingInterfaces() {
    return BroadcastInterfaces();
}

std::string InterfaceName(std::uint32_t index) {
    if (index == 0) {
        return {};
    }
    const AdapterList adapters = ReadAdapters();
    for (const IP_ADAPTER_ADDRESSES* a = adapters.first; a != nullptr; a = a->Next) {
        if (a->IfIndex == index) {
            return Utf16ToUtf8(FromWide(a->FriendlyName ? a->FriendlyName : L""));
        }
    }
    return {};
}

}  // namespace norvik
