#include "nothing_arrived.h"

#include <cstdio>

namespace norvik {
namespace {

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

std::string NothingArrivedLine(std::string_view program, double seconds) {
    return std::string(program) + ": no report arrived on any network card within " +
           Seconds(seconds) + " s. ";
}

const char* ProfileName(NetworkProfile profile) {
    switch (profile) {
        case NetworkProfile::kPublic:
            return "Public";
        case NetworkProfile::kPrivate:
            return "Private";
        case NetworkProfile::kDomain:
            return "Domain";
        case NetworkProfile::kUnknown:
            break;
    }
    return "not known";
}

}  // namespace

std::string FirewallRuleCommand(std::string_view program_path) {
    return "netsh advfirewall firewall add rule name=\"Norvik\" dir=in action=allow "
           "protocol=UDP localport=4022,4023,3702 program=\"" +
           std::string(program_path) + "\" profile=private,domain";
}

std::string NothingArrivedOnWindows(std::string_view program, double seconds,
                                    const std::vector<CardProfile>& cards,
                                    const std::vector<std::string>& programs) {
    const std::string prefix = std::string(program) + ": ";
    std::string text = NothingArrivedLine(program, seconds) +
                       "The likely cause is Windows Firewall: it drops the devices' reports to "
                       "UDP ports 4022 and 4023 unless a rule lets them in, as on a network it "
                       "calls Public, or after \"Cancel\" in its first question about a "
                       "program.\n";
    if (cards.empty()) {
        text += prefix + "Windows names no network card that can broadcast.\n";
    } else {
        text += prefix + "network profiles:";
        bool any_public = false;
        for (std::size_t i = 0; i < cards.size(); ++i) {
            text += (i == 0 ? " " : ", ") + cards[i].card + ": " + ProfileName(cards[i].profile);
            any_public = any_public || cards[i].profile == NetworkProfile::kPublic;
        }
        text += ".\n";
        if (any_public) {
            // The rules below are for private and domain networks, as the installer's are:
            // letting devices in on every café's network is not the way out.
            text += prefix +
                    "if the devices are on a Public network, make it Private in Windows' "
                    "network settings.\n";
        }
    }
    if (!programs.empty()) {
        text += prefix +
                "to let the reports in on private and domain networks, run in a command prompt "
                "started as administrator:\n";
    }
    for (const std::string& path : programs) {
        text += FirewallRuleCommand(path) + "\n";
    }
    return text;
}

std::string NothingArrivedOnLinux(std::string_view program, double seconds, bool any_card) {
    // Without a card the search reached no device's network: a cable out or a Wi-Fi not joined
    // comes before any firewall.
    const std::string firewall =
        any_card ? std::string("A firewall")
                 : "No network card of this computer is up with a link (a cable in, a Wi-Fi "
                   "network joined) and able to broadcast.\n" +
                       std::string(program) + ": a firewall";
    return NothingArrivedLine(program, seconds) + firewall +
           " on this computer may drop the devices' reports to UDP ports 4022 and "
           "4023; as root, see what these show:\n"
           "nft list ruleset\n"
           "iptables -L INPUT -n -v\n"
           "firewall-cmd --list-all\n" +
           std::string(program) +
           ": with firewalld, this lets them in: firewall-cmd --add-port=4022-4023/udp\n";
}

}  // namespace norvik
