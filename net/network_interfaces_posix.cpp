#include "network_interfaces.h"

#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace norvik {
namespace {

// A link as the kernel's own table has it: getifaddrs tells neither a card without an address
// nor whether a card is another link's port.
struct Link {
    unsigned index = 0;
    unsigned flags = 0;
    bool port = false;  // enslaved to a bridge, a bond or the like
    std::string name;
};

void ReadLinkMessage(const nlmsghdr& message, std::vector<Link>& links) {
    if (message.nlmsg_type != RTM_NEWLINK || message.nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) {
        return;
    }
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(&message));
    Link link;
    link.index = static_cast<unsigned>(info->ifi_index);
    link.flags = info->ifi_flags;
    int left = static_cast<int>(message.nlmsg_len - NLMSG_LENGTH(sizeof(ifinfomsg)));
    for (const rtattr* a = IFLA_RTA(info); RTA_OK(a, left); a = RTA_NEXT(a, left)) {
        if (a->rta_type == IFLA_MASTER) {
            link.port = true;
        } else if (a->rta_type == IFLA_IFNAME) {
            const char* text = static_cast<const char*>(RTA_DATA(a));
            link.name.assign(text, strnlen(text, RTA_PAYLOAD(a)));
        }
    }
    if (link.index != 0 && !link.name.empty()) {
        links.push_back(std::move(link));
    }
}

// Every link, over netlink; empty when the table cannot be read.
std::vector<Link> Links() {
    std::vector<Link> links;
    const int handle = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (handle < 0) {
        return links;
    }
    struct {
        nlmsghdr header;
        ifinfomsg info;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.info.ifi_family = AF_UNSPEC;
    bool done = ::send(handle, &request, sizeof request, 0) != sizeof request;
    std::vector<std::uint32_t> buffer(16 * 1024);  // 64 KiB, aligned as the headers need
    while (!done) {
        iovec part{buffer.data(), buffer.size() * sizeof buffer[0]};
        msghdr received{};
        received.msg_iov = &part;
        received.msg_iovlen = 1;
        const ssize_t size = ::recvmsg(handle, &received, 0);
        if (size <= 0 || (received.msg_flags & MSG_TRUNC) != 0) {
            links.clear();  // a part of the table is no table
            break;
        }
        int left = static_cast<int>(size);
        for (const auto* message = reinterpret_cast<const nlmsghdr*>(buffer.data());
             NLMSG_OK(message, left); message = NLMSG_NEXT(message, left)) {
            if (message->nlmsg_type == NLMSG_DONE || message->nlmsg_type == NLMSG_ERROR) {
                done = true;
                break;
            }
            ReadLinkMessage(*message, links);
        }
    }
    ::close(handle);
    return links;
}

// The cards of BroadcastInterfaces(), read afresh; into `addressed`, the index of every card
// with an IPv4 address, whatever it can do.
std::vector<NetworkInterface> ReadCards(std::set<unsigned>& addressed) {
    std::vector<NetworkInterface> found;
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0) {
        return found;
    }
    for (const ifaddrs* i = all; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        const unsigned index = ::if_nametoindex(i->ifa_name);
        addressed.insert(index);
        const unsigned flags = i->ifa_flags;
        // A card with several addresses is searched once, through its first.
        if ((flags & IFF_UP) == 0 || (flags & IFF_LOOPBACK) != 0 || (flags & IFF_BROADCAST) == 0 ||
            index == 0 || std::any_of(found.begin(), found.end(), [&](const NetworkInterface& c) {
                return c.index == index;
            })) {
            continue;
        }
        const auto octets = [](const sockaddr* address) {
            Ipv4 ip{};
            if (address != nullptr) {
                const auto* in = reinterpret_cast<const sockaddr_in*>(address);
                std::memcpy(ip.data(), &in->sin_addr, ip.size());
            }
            return ip;
        };
        found.push_back({index, i->ifa_name, octets(i->ifa_addr), octets(i->ifa_netmask)});
    }
    ::freeifaddrs(all);
    return found;
}

}  // namespace

std::vector<NetworkInterface> BroadcastInterfaces() {
    std::set<unsigned> addressed;
    return ReadCards(addressed);
}

std::vector<NetworkInterface> SendingInterfaces() {
    std::set<unsigned> addressed;
    std::vector<NetworkInterface> cards = ReadCards(addressed);
    // A card without a link (a cable out, a Wi-Fi not joined) is left out: it reaches nobody.
    constexpr unsigned kNeeded = IFF_UP | IFF_RUNNING | IFF_BROADCAST;
    for (Link& link : Links()) {
        if ((link.flags & kNeeded) == kNeeded && (link.flags & IFF_LOOPBACK) == 0 && !link.port &&
            !addressed.contains(link.index)) {
            cards.push_back({link.index, std::move(link.name), {}, {}});
        }
    }
    return cards;
}

std::string InterfaceName(std::uint32_t index) {
    char name[IF_NAMESIZE];
    if (index == 0 || ::if_indextoname(index, name) == nullptr) {
        return {};
    }
    return name;
}

}  // namespace norvik
