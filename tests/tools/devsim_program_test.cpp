// The device simulator end to end, from the program's side of the network: this suite runs in
// a private network namespace, listens on ports 4022 and 4023 as the program does and sends
// its requests from a plain socket. Expected datagrams come from the test's own layouts.
#include <fcntl.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <signal.h>
#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "report_bytes.h"
#include "skip_unless_required.h"
#include "subprocess.h"
#include "udp_peer.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

const std::string kData = std::string(NORVIK_TEST_DATA_DIR) + "/devsim/";

ProcessOptions Devsim(std::vector<std::string> args) {
    args.insert(args.begin(), NORVIK_TOOL_NORVIK_DEVSIM);
    return norvik::test::Command(std::move(args));
}

// A set request as Submit builds it for a device, with no field flagged yet.
Bytes SetRequest(const Device& device) {
    Bytes request(74, 0);
    Put(request, 0, {'P', 'C', 'E', 'd', 'i', 't', 0, 0x65, 0x00, 0x74, 0x00});
    Put(request, 11, device.ip);
    Put(request, 15, device.mac);
    Put(request, 21, device.netmask);
    return request;
}

// The byte at the offset of each datagram, or -1 where it is too short.
std::vector<int> ByteAt(const std::vector<Bytes>& datagrams, std::size_t offset) {
    std::vector<int> values;
    for (const auto& datagram : datagrams) {
        values.push_back(offset < datagram.size() ? datagram[offset] : -1);
    }
    return values;
}

// The program's end of the wire: receivers sharing 4022 and 4023, and a sender whose own
// broadcasts are left out of what they receive.
class DevsimProgram : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pcedit_.bound() && p3297_.bound() && sender_.bound()); }
    ~DevsimProgram() override {
        for (int fd : descriptors_) {
            ::close(fd);
        }
    }

    void Broadcast(std::uint16_t port, const Bytes& datagram) {
        sent_.push_back(datagram);
        EXPECT_TRUE(sender_.Broadcast(datagram, port)) << std::strerror(errno);
    }

    // What the devices send to the port: waits up to 5 s for each of `count` datagrams, then
    // `quiet` for any that should not be there.
    std::vector<Bytes> Receive(std::uint16_t port, std::size_t count,
                               std::chrono::milliseconds quiet = 300ms) {
        std::vector<Bytes> received;
        UdpPeer& peer = port == 4022 ? pcedit_ : p3297_;
        const auto give_up = std::chrono::steady_clock::now() + 10s;  // against an endless storm
        while (std::chrono::steady_clock::now() < give_up) {
            auto datagram = peer.Receive(received.size() < count ? 5000ms : quiet);
            if (!datagram) {
                break;
            }
            if (std::find(sent_.begin(), sent_.end(), *datagram) == sent_.end()) {
                received.push_back(std::move(*datagram));
            }
        }
        return received;
    }

    UdpPeer pcedit_{4022};
    UdpPeer p3297_{4023};
    UdpPeer sender_;
    std::vector<Bytes> sent_;
    std::vector<int> descriptors_;
};

TEST_F(DevsimProgram, AnswersSearchesAndAppliesOrRefusesSetRequests) {
    BackgroundProcess devsim(Devsim({"--file", kData + "devices.txt"}));
    ASSERT_TRUE(devsim.WaitForOutput("ready\n", 10s));
    Broadcast(4022, PcEditSearchRequest());
    EXPECT_EQ(ByteAt(Receive(4022, 2), 19), (std::vector<int>{0x01, 0x02}));  // MACs' last bytes
    EXPECT_TRUE(Receive(4023, 0).empty()) << "a PCEdit search answered on 4023";
    Broadcast(4023, Search3297Request());
    EXPECT_EQ(ByteAt(Receive(4023, 2), 13), (std::vector<int>{0x03, 0x04}));
    EXPECT_TRUE(Receive(4022, 0).empty()) << "a 3297 search answered on 4022";

    // New address, netmask, name and port for a PCEdit device; DNS servers and DHCP for a 3297
    // device; a MAC that no device has; a new name for the device that refuses.
    Bytes change = SetRequest(Device().WithMacLastOctet(0x01).WithIp({10, 0, 0, 5}));
    Put(change, 6, {1});
    Put(change, 21, {255, 0, 0, 0});
    Put(change, 32, {1, 'H', 'a', 'l', 'l'});
    Put(change, 51, {1, '8', '0', '8', '1'});
    Broadcast(4022, change);
    change = SetRequest(Device().WithMacLastOctet(0x03).WithIp({192, 168, 1, 12}));
    Put(change, 63, {1, 9, 9, 9, 9, 4, 4, 4, 4, 1, 1});
    Broadcast(4022, change);
    Broadcast(4022, SetRequest(Device().WithMacLastOctet(0x99)));
    EXPECT_TRUE(devsim.WaitForOutput("ignored set for 00:11:22:33:44:99: no such device\n", 5s));
    Device locked;
    locked.WithMacLastOctet(0x04).WithIp({192, 168, 1, 13}).Named("locked");
    locked.tag = "";
    locked.gateway = locked.dns1 = {};
    change = SetRequest(locked);
    Put(change, 32, {1, 'n', 'e', 'w'});
    Broadcast(4022, change);
    EXPECT_EQ(Receive(4023, 1), std::vector<Bytes>{Report3297(locked, 3)});

    // The table, in the description format, on SIGUSR1 and again at the end.
    ASSERT_TRUE(devsim.Signal(SIGUSR1));
    ASSERT_TRUE(devsim.WaitForOutput("# end of state\n", 5s));
    const auto result = devsim.Stop();
    EXPECT_EQ(result.exit_code, 0);
    const std::string state =
        "# state: 4 devices, 0 raw datagrams\n"
        "pcedit mac=00:11:22:33:44:01 ip=10.0.0.5 netmask=255.0.0.0 gateway=192.168.1.1 "
        "name=Hall port=8081 port2=554 dns1=8.8.8.8 dns2=8.8.4.4 dhcp=0 tag=IPC\n"
        "pcedit mac=00:11:22:33:44:02 ip=192.168.1.11 netmask=255.255.255.0 "
        "gateway=192.168.1.1 name=\"Front door\" port=8080 port2=0 dns1=0.0.0.0 dns2=0.0.0.0 "
        "dhcp=1 tag=\"\"\n"
        "3297 mac=00:11:22:33:44:03 ip=192.168.1.12 netmask=255.255.255.0 gateway=192.168.1.1 "
        "name=server-3 port=81 port2=0 dns1=9.9.9.9 dns2=4.4.4.4 dhcp=1 tag=\"\"\n"
        "3297 mac=00:11:22:33:44:04 ip=192.168.1.13 netmask=255.255.255.0 gateway=0.0.0.0 "
        "name=locked port=80 port2=0 dns1=0.0.0.0 dns2=0.0.0.0 dhcp=0 tag=\"\" reject_set=1\n"
        "# end of state\n";
    const auto first = result.out.find(state);
    ASSERT_NE(first, std::string::npos) << result.out;
    EXPECT_NE(result.out.find(state, first + 1), std::string::npos) << result.out;
}

TEST_F(DevsimProgram, AnnouncesOddReportsAtTheirOwnLengths) {
    BackgroundProcess devsim(
        Devsim({"--file", kData + "odd_reports.txt", "--announce", "--count", "2"}));
    ASSERT_TRUE(devsim.WaitForOutput("ready\n", 10s));
    // Two rounds and nothing more: a report that looks like a search is not answered.
    std::vector<std::size_t> sizes;
    for (const auto& datagram : Receive(4022, 16, 500ms)) {
        sizes.push_back(datagram.size());
    }
    for (const auto& datagram : Receive(4023, 10, 500ms)) {
        sizes.push_back(datagram.size());
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{49,  50,  70,  70,  70,  70,   1200, 4,   49,
                                               50,  70,  70,  70,  70,  1200, 4,    444, 446,
                                               445, 445, 445, 444, 446, 445,  445,  445}));
}

TEST_F(DevsimProgram, ReplyDelayHoldsTheAnswer) {
    BackgroundProcess devsim(Devsim({"--pcedit", "1", "--reply-delay", "400"}));
    ASSERT_TRUE(devsim.WaitForOutput("ready\n", 10s));
    const auto sent = std::chrono::steady_clock::now();
    Broadcast(4022, PcEditSearchRequest());
    EXPECT_EQ(Receive(4022, 1, 0ms).size(), 1u);
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 390ms);
}

// Each PCEdit search answered is one step of the churn; a 3297 search is none.
TEST_F(DevsimProgram, DevicesComeAndGoAfterEveryPcEditSearch) {
    BackgroundProcess devsim(Devsim({"--pcedit", "3", "--3297", "1", "--replace", "1", "--move",
                                     "1", "--base-mac", "00:11:22:33:44:01"}));
    ASSERT_TRUE(devsim.WaitForOutput("ready\n", 10s));
    Broadcast(4022, PcEditSearchRequest());
    EXPECT_EQ(ByteAt(Receive(4022, 3), 19), (std::vector<int>{0x01, 0x02, 0x03}));
    // Slot 0 has a new device (index 4, after the four generated), which is also the one moved;
    // the 3297 device is not touched until the churn comes round to it.
    Broadcast(4023, Search3297Request());
    EXPECT_EQ(ByteAt(Receive(4023, 1), 13), (std::vector<int>{0x04}));
    Broadcast(4022, PcEditSearchRequest());
    const std::vector<Bytes> second = Receive(4022, 3);
    EXPECT_EQ(ByteAt(second, 19), (std::vector<int>{0x05, 0x02, 0x03}));
    Device moved;
    moved.WithMacLastOctet(0x05).WithIp({192, 169, 1, 104}).Named("moved-1-0");
    moved.gateway = {192, 169, 1, 1};
    moved.dns1 = {192, 168, 1, 1};
    moved.tag = "cam";
    moved.port2 = "554";
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(second[0], PcEditReport(moved));
    // The second step replaced and moved slot 1; the 3297 device's turn is the fourth.
    Broadcast(4022, PcEditSearchRequest());
    EXPECT_EQ(ByteAt(Receive(4022, 3), 19), (std::vector<int>{0x05, 0x06, 0x03}));
}

TEST_F(DevsimProgram, BurstSendsDistinctDevicesOfBothProtocolsAtItsRate) {
    const auto result = RunProcess(
        Devsim({"--burst", "20", "--protocol", "both", "--rate", "50", "--repeat", "2"}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    double seconds = 0;
    ASSERT_EQ(std::sscanf(result.out.c_str(), "sent 40 in %lf seconds", &seconds), 1) << result.out;
    EXPECT_GE(seconds, 0.77);  // the 40th report is due 39/50 s after the first
    const auto pcedit = ByteAt(Receive(4022, 20), 19);
    const auto reports = ByteAt(Receive(4023, 20), 13);
    EXPECT_EQ(pcedit.size(), 20u);
    EXPECT_EQ(reports.size(), 20u);
    std::set<int> macs(pcedit.begin(), pcedit.end());
    macs.insert(reports.begin(), reports.end());
    EXPECT_EQ(macs.size(), 20u);
}

TEST_F(DevsimProgram, BadInputIsReportedBeforeAnythingIsSent) {
    auto result = RunProcess(Devsim({"--file", kData + "bad.txt"}));
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_NE(result.err.find("bad.txt:3: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("bad.txt:5: "), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("bad.txt:2: "), std::string::npos) << result.err;
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"--pcedit", "x"},
                                                 {"--burst", "5", "--pcedit", "1"},
                                                 {"--pcedit", "1", "--rate", "10"},
                                                 {"--frobnicate"}}) {
        result = RunProcess(Devsim(args));
        EXPECT_EQ(result.exit_code, 2) << (args.empty() ? "" : args[0]) << ": " << result.err;
    }
    EXPECT_TRUE(Receive(4022, 0).empty());
}

TEST_F(DevsimProgram, RefusesToRunWhileAnotherInterfaceIsUp) {
    // A tun interface is the one kind this namespace can make without netlink; it lasts as
    // long as its descriptor.
    ifreq request{};
    std::strncpy(request.ifr_name, "devsimtest0", IFNAMSIZ - 1);
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    descriptors_ = {::open("/dev/net/tun", O_RDWR | O_CLOEXEC),
                    ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)};
    if (descriptors_[0] < 0 || ::ioctl(descriptors_[0], TUNSETIFF, &request) != 0) {
        // The only check of this guard: where CI runs, it may not drop out.
        NORVIK_SKIP_UNLESS_REQUIRED(std::string("cannot make a tun interface here: ") +
                                    std::strerror(errno));
    }
    request.ifr_flags = IFF_UP;
    ASSERT_EQ(::ioctl(descriptors_[1], SIOCSIFFLAGS, &request), 0) << std::strerror(errno);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--pcedit", "1", "--announce"}, {"--burst", "5"}}) {
        const auto result = RunProcess(Devsim(args));
        EXPECT_EQ(result.exit_code, 3) << args[0];
        EXPECT_NE(result.err.find("devsimtest0"), std::string::npos) << result.err;
    }
    EXPECT_TRUE(Receive(4022, 0).empty()) << "sent although refused";
}

}  // namespace
}  // namespace norvik::test
