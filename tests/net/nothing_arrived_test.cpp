// The words a search that heard nothing leaves on standard error.
#include "nothing_arrived.h"

#include <gtest/gtest.h>

#include "text_assertions.h"

namespace norvik {
namespace {

// The command the installer runs for each program, with the installation folder filled in.
TEST(NothingArrived, TheFirewallRuleIsTheInstallersForThatProgram) {
    EXPECT_EQ(FirewallRuleCommand("C:\\Program Files\\Norvik\\norvik.exe"),
              "netsh advfirewall firewall add rule name=\"Norvik\" dir=in action=allow "
              "protocol=UDP localport=4022,4023,3702 "
              "program=\"C:\\Program Files\\Norvik\\norvik.exe\" "
              "profile=private,domain");
}

// A computer without a connected card is told that first; the firewall's commands stay, as both
// may be true.
TEST(NothingArrived, OnLinuxNamesAMissingCardBeforeTheFirewall) {
    const std::string firewall =
        " on this computer may drop the devices' reports to UDP ports 4022 and 4023; as root, see "
        "what these show:\nnft list ruleset\niptables -L INPUT -n -v\nfirewall-cmd --list-all\n"
        "norvik-scan: with firewalld, this lets them in: firewall-cmd --add-port=4022-4023/udp\n";
    EXPECT_EQ(
        NothingArrivedOnLinux("norvik-scan", 0.8, true),
        "norvik-scan: no report arrived on any network card within 0.8 s. A firewall" + firewall);
    EXPECT_EQ(NothingArrivedOnLinux("norvik-scan", 3, false),
              "norvik-scan: no report arrived on any network card within 3 s. No network card of "
              "this computer is up with a link (a cable in, a Wi-Fi network joined) and able to "
              "broadcast.\nnorvik-scan: a firewall" +
                  firewall);
}

TEST(NothingArrived, OnWindowsNamesTheFirewallEachCardsProfileAndTheCommands) {
    const std::string text = NothingArrivedOnWindows(
        "norvik-scan", 1.5,
        {{"Ethernet", NetworkProfile::kPublic},
         {"Wi-Fi 2", NetworkProfile::kPrivate},
         {"Büro", NetworkProfile::kDomain},
         {"VPN", NetworkProfile::kUnknown}},
        {"D:\\Tools\\Nörvik\\norvik-scan.exe", "D:\\Tools\\Nörvik\\norvik.exe"});
    EXPECT_EQ(text,
              "norvik-scan: no report arrived on any network card within 1.5 s. The likely cause "
              "is Windows Firewall: it drops the devices' reports to UDP ports 4022 and 4023 "
              "unless a rule lets them in, as on a network it calls Public, or after \"Cancel\" "
              "in its first question about a program.\n"
              "norvik-scan: network profiles: Ethernet: Public, Wi-Fi 2: Private, Büro: Domain, "
              "VPN: not known.\n"
              "norvik-scan: if the devices are on a Public network, make it Private in Windows' "
              "network settings.\n"
              "norvik-scan: to let the reports in on private and domain networks, run in a "
              "command prompt started as administrator:\n" +
                  FirewallRuleCommand("D:\\Tools\\Nörvik\\norvik-scan.exe") + "\n" +
                  FirewallRuleCommand("D:\\Tools\\Nörvik\\norvik.exe") + "\n");
}

// Advice about Public networks only where there is one; a PC whose cards Windows does not
// name is told so.
TEST(NothingArrived, OnWindowsSaysWhatItKnowsOfTheCards) {
    const std::string private_only = NothingArrivedOnWindows(
        "norvik-scan", 3, {{"Ethernet", NetworkProfile::kPrivate}}, {"C:\\n\\norvik-scan.exe"});
    EXPECT_TRUE(test::Contains(private_only, "within 3 s."));
    EXPECT_TRUE(
        test::Contains(private_only, "\nnorvik-scan: network profiles: Ethernet: Private.\n"));
    EXPECT_FALSE(test::Contains(private_only, "Public network"));

    const std::string no_card = NothingArrivedOnWindows("norvik-scan", 3, {}, {});
    EXPECT_TRUE(test::Contains(
        no_card, "\nnorvik-scan: Windows names no network card that can broadcast.\n"));
    EXPECT_FALSE(test::Contains(no_card, "network profiles"));
    EXPECT_FALSE(test::Contains(no_card, "netsh"));
}

}  // namespace
}  // namespace norvik
