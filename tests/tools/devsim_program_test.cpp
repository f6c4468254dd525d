// The device simulator end to end, from the program's side of the network: this suite runs in
// a private network namespace, listens on ports 4022 and 4023 as the program does and sends
// its requests from a plain socket. Every offset below is written out from the protocol
// tables, not taken from the simulator.
#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "subprocess.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const std::string kDevsim = NORVIK_TOOL_NORVIK_DEVSIM;
const std::string kData = std::string(NORVIK_TEST_DATA_DIR) + "/devsim/";

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

sockaddr_in Address(std::uint32_t host_order, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(host_order);
    return address;
}

// The program's end of the wire: shared receive sockets on 4022 and 4023, and a sending
// socket whose own datagrams it leaves out of what it receives.
class ProgramSide {
public:
    ProgramSide()
        : pcedit_(BoundSocket(4022, SO_REUSEADDR)),
          packet3297_(BoundSocket(4023, SO_REUSEADDR)),
          sender_(BoundSocket(0, SO_BROADCAST)) {
        sockaddr_in local{};
        socklen_t size = sizeof local;
        if (::getsockname(sender_.get(), reinterpret_cast<sockaddr*>(&local), &size) == 0) {
            sender_port_ = ntohs(local.sin_port);
        }
    }

    bool ready() const { return pcedit_.get() >= 0 && packet3297_.get() >= 0 && sender_port_ != 0; }

    void Broadcast(std::uint16_t port, const Bytes& datagram) const {
        const sockaddr_in to = Address(INADDR_BROADCAST, port);
        ASSERT_EQ(::sendto(sender_.get(), datagram.data(), datagram.size(), 0,
                           reinterpret_cast<const sockaddr*>(&to), sizeof to),
                  static_cast<ssize_t>(datagram.size()))
            << std::strerror(errno);
    }

    // What arrives on the port from others: waits up to 5 s for `count` datagrams, then
    // `quiet` longer for any that should not be there.
    std::vector<Bytes> Receive(std::uint16_t port, std::size_t count,
                               std::chrono::milliseconds quiet = 300ms) const {
        const int fd = port == 4022 ? pcedit_.get() : packet3297_.get();
        std::vector<Bytes> received;
        auto deadline = Clock::now() + 5s;
        bool counted = count == 0;
        if (counted) {
            deadline = Clock::now() + quiet;
        }
        while (true) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd poll_fd{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&poll_fd, 1, static_cast<int>(left.count())) <= 0) {
                return received;
            }
            Bytes buffer(70000);
            sockaddr_in from{};
            socklen_t from_size = sizeof from;
            const ssize_t size = ::recvfrom(fd, buffer.data(), buffer.size(), 0,
                                            reinterpret_cast<sockaddr*>(&from), &from_size);
            if (size < 0 || ntohs(from.sin_port) == sender_port_) {
                continue;
            }
            buffer.resize(static_cast<std::size_t>(size));
            received.push_back(std::move(buffer));
            if (!counted && received.size() >= count) {
                counted = true;
                deadline = Clock::now() + quiet;
            }
        }
    }

private:
    static int BoundSocket(std::uint16_t port, int option) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        const sockaddr_in address = Address(INADDR_ANY, port);
        if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, option, &on, sizeof on) != 0 ||
            ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            if (fd >= 0) {
                ::close(fd);
            }
            return -1;
        }
        return fd;
    }

    Fd pcedit_;
    Fd packet3297_;
    Fd sender_;
    std::uint16_t sender_port_ = 0;
};

norvik::test::ProcessOptions Devsim(std::vector<std::string> args) {
    norvik::test::ProcessOptions options;
    options.args = {kDevsim};
    options.args.insert(options.args.end(), args.begin(), args.end());
    return options;
}

void Put(Bytes& bytes, std::size_t offset, const Bytes& values) {
    std::copy(values.begin(), values.end(), bytes.begin() + static_cast<long>(offset));
}

void PutText(Bytes& bytes, std::size_t offset, const std::string& text) {
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<long>(offset));
}

Bytes At(const Bytes& bytes, std::size_t offset, std::size_t size) {
    if (offset + size > bytes.size()) {
        return {};
    }
    return Bytes(bytes.begin() + static_cast<long>(offset),
                 bytes.begin() + static_cast<long>(offset + size));
}

std::string TextAt(const Bytes& bytes, std::size_t offset, std::size_t size) {
    const Bytes field = At(bytes, offset, size);
    return std::string(field.begin(), std::find(field.begin(), field.end(), 0));
}

Bytes PcEditSearch() {
    Bytes request(74, 0);
    PutText(request, 0, "PCEdit");
    request[6] = request[25] = request[32] = request[60] = 2;
    return request;
}

Bytes Search3297() {
    Bytes request(445, 0);
    Put(request, 0, {'3', '2', '9', '7', 0xbd, 0x01, 0x31});
    return request;
}

// A set request as Submit builds it, with no field flagged yet.
Bytes SetRequest(const Bytes& mac, const Bytes& ip, const Bytes& netmask) {
    Bytes request(74, 0);
    PutText(request, 0, "PCEdit");
    Put(request, 7, {0x65, 0x00, 0x74, 0x00});
    Put(request, 11, ip);
    Put(request, 15, mac);
    Put(request, 21, netmask);
    return request;
}

std::set<Bytes> MacsAt(const std::vector<Bytes>& reports, std::size_t offset) {
    std::set<Bytes> macs;
    for (const auto& report : reports) {
        macs.insert(At(report, offset, 6));
    }
    return macs;
}

class DevsimProgram : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(side_.ready()) << std::strerror(errno); }

    ProgramSide side_;
};

TEST_F(DevsimProgram, AnswersEachSearchWithTheReportsOfItsProtocol) {
    norvik::test::BackgroundProcess devsim(Devsim({"--file", kData + "devices.txt"}));
    ASSERT_TRUE(devsim.WaitForOutput("ready\n", 10s));

    side_.Broadcast(4022, PcEditSearch());
    const auto pcedit = side_.Receive(4022, 2);
    ASSERT_EQ(pcedit.size(), 2u);
    EXPECT_TRUE(side_.Receive(4023, 0).empty()) << "a PCEdit search answered on 4023";
    const Bytes& first = pcedit[0];
    ASSERT_EQ(first.size(), 70u);
    EXPECT_EQ(TextAt(first, 0, 5), "IPCam");
    EXPECT_EQ(first[5], 0);
    EXPECT_EQ(TextAt(first, 6, 4), "IPC");
    EXPECT_EQ(At(first, 10, 4), (Bytes{192, 168, 1, 10}));
    EXPECT_EQ(At(first, 14, 6), (Bytes{0x00, 0x11, 0x22, 0x33, 0x44, 0x01}));
    EXPECT_EQ(At(first, 20, 4), (Bytes{255, 255, 255, 0}));
    EXPECT_EQ(At(first, 27, 4), (Bytes{192, 168, 1, 1}));
    EXPECT_EQ(TextAt(first, 32, 18), "cam-1");
    EXPECT_EQ(At(first, 50, 5), (Bytes{'8', '0', 0, 0, 0}));
    EXPECT_EQ(At(first, 55, 5), (Bytes{'5', '5', '4', 0, 0}));
    EXPECT_EQ(At(first, 61, 8), (Bytes{8, 8, 8, 8, 8, 8, 4, 4}));
    EXPECT_EQ(first[69], 0);
    EXPECT_EQ(TextAt(pcedit[1], 32, 18), "Front door");
    EXPECT_EQ(pcedit[1][69], 1);

    side_.Broadcast(4023, Search3297());
    const auto reports = side_.Receive(4023, 2);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(side_.Receive(4022, 0).empty()) << "a 3297 search answered on 4022";
    const Bytes& server = reports[0];
    ASSERT_EQ(server.size(), 445u);
    EXPECT_EQ(At(server, 0, 7), (Bytes{'3', '2', '9', '7', 0xbd, 0x01, 0x01}));
    EXPECT_EQ(At(server, 8, 6), (Bytes{0x00, 0x11, 0x22, 0x33, 0x44, 0x03}));
    EXPECT_EQ(At(server, 23, 4), (Bytes{192, 168, 1, 12}));
    EXPECT_EQ(At(server, 57, 4), (Bytes{192, 168, 1, 1}));
    EXPECT_EQ(At(server, 74, 4), (Bytes{81, 0, 0, 0}));
    EXPECT_EQ(At(server, 84, 4), (Bytes{1, 1, 1, 1}));
    EXPECT_EQ(TextAt(server, 380, 18), "server-3");

    // Requests one byte off are not answered.
    Bytes short_search = PcEditSearch();
    short_search.pop_back();
    side_.Broadcast(4022, short_search);
    Bytes ascii_less = Search3297();
    ascii_less[6] = 1;
    side_.Broadcast(4023, ascii_less);
    EXPECT_TRUE(side_.Receive(4022, 0).empty());
    EXPECT_TRUE(side_.Receive(4023, 0).empty());
}

TEST_F(DevsimProgram, SetRequestChangesWhatTheNextSearchReports) {
    norvik::test::BackgroundProcess devsim(Devsim({"--file", kData + "devices.txt"}));
    ASSERT_TRUE(devsim.WaitForOutput("ready\n", 10s));

    Bytes change = SetRequest({0x00, 0x11, 0x22, 0x33, 0x44, 0x01}, {10, 0, 0, 5}, {255, 0, 0, 0});
    change[6] = 1;
    change[32] = 1;
    PutText(change, 33, "Hall");
    change[51] = 1;
    PutText(change, 52, "8081");
    side_.Broadcast(4022, change);
    ASSERT_TRUE(devsim.WaitForOutput("applied 00:11:22:33:44:01 ", 5s));

    // A 3297 device is changed over PCEdit too.
    Bytes to_3297 =
        SetRequest({0x00, 0x11, 0x22, 0x33, 0x44, 0x03}, {192, 168, 1, 12}, {255, 255, 255, 0});
    to_3297[63] = 1;
    Put(to_3297, 64, {9, 9, 9, 9, 4, 4, 4, 4});
    to_3297[72] = 1;
    to_3297[73] = 1;
    side_.Broadcast(4022, to_3297);
    ASSERT_TRUE(devsim.WaitForOutput("applied 00:11:22:33:44:03 ", 5s));

    side_.Broadcast(
        4022, SetRequest({0x00, 0x11, 0x22, 0x33, 0x44, 0x99}, {1, 2, 3, 4}, {255, 255, 255, 0}));
    ASSERT_TRUE(devsim.WaitForOutput("ignored set for 00:11:22:33:44:99: no such device\n", 5s));

    side_.Broadcast(4022, PcEditSearch());
    const auto pcedit = side_.Receive(4022, 2);
    ASSERT_EQ(pcedit.size(), 2u);
    EXPECT_EQ(At(pcedit[0], 10, 4), (Bytes{10, 0, 0, 5}));
    EXPECT_EQ(At(pcedit[0], 20, 4), (Bytes{255, 0, 0, 0}));
    EXPECT_EQ(At(pcedit[0], 27, 4), (Bytes{192, 168, 1, 1})) << "gateway was not flagged";
    EXPECT_EQ(TextAt(pcedit[0], 32, 18), "Hall");
    EXPECT_EQ(At(pcedit[0], 50, 5), (Bytes{'8', '0', '8', '1', 0}));
    EXPECT_EQ(At(pcedit[1], 10, 4), (Bytes{192, 168, 1, 11})) << "another device changed";

    side_.Broadcast(4023, Search3297());
    const auto reports = side_.Receive(4023, 2);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(At(reports[0], 84, 4), (Bytes{9, 9, 9, 9}));
    EXPECT_EQ(At(reports[0], 100, 4), (Bytes{4, 4, 4, 4}));
    EXPECT_EQ(reports[0][117], 1);
    EXPECT_EQ(At(reports[0], 23, 4), (Bytes{192, 168, 1, 12})) << "address was not flagged";

    // SIGUSR1 prints the table, in the description format, with the new values.
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
    // Once on the signal, once at the end.
    const auto first = result.out.find(state);
    ASSERT_NE(first, std::string::npos) << result.out;
    EXPECT_NE(result.out.find(state, first + state.size()), std::string::npos) << result.out;
}

TEST_F(DevsimProgram, RefusingDeviceAnswersWithType3AndKeepsItsSettings) {
    norvik::test::BackgroundProcess devsim(Devsim({"--file", kData + "devices.txt"}));
    ASSERT_TRUE(devsim.WaitForOutput("ready\n", 10s));

    Bytes change =
        SetRequest({0x00, 0x11, 0x22, 0x33, 0x44, 0x04}, {192, 168, 1, 13}, {255, 255, 255, 0});
    change[32] = 1;
    PutText(change, 33, "renamed");
    side_.Broadcast(4022, change);
    const auto refusal = side_.Receive(4023, 1);
    ASSERT_EQ(refusal.size(), 1u);
    ASSERT_EQ(refusal[0].size(), 445u);
    EXPECT_EQ(refusal[0][6], 3);
    EXPECT_EQ(At(refusal[0], 8, 6), (Bytes{0x00, 0x11, 0x22, 0x33, 0x44, 0x04}));
    EXPECT_EQ(TextAt(refusal[0], 380, 18), "locked");
    EXPECT_TRUE(devsim.WaitForOutput("rejected 00:11:22:33:44:04 3297 ", 5s));

    side_.Broadcast(4023, Search3297());
    const auto reports = side_.Receive(4023, 2);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1][6], 1);
    EXPECT_EQ(TextAt(reports[1], 380, 18), "locked");
}

TEST_F(DevsimProgram, AnnouncesOddReportsByteForByte) {
    norvik::test::BackgroundProcess devsim(
        Devsim({"--file", kData + "odd_reports.txt", "--announce", "--count", "2"}));
    ASSERT_TRUE(devsim.WaitForOutput("ready\n", 10s));

    const std::vector<std::size_t> pcedit_sizes = {49, 50, 70, 70, 70, 70, 1200, 4};
    const std::vector<std::size_t> sizes_3297 = {444, 446, 445, 445, 445};
    // Two rounds, and nothing more: a report that looks like a search is not answered.
    const auto pcedit = side_.Receive(4022, 2 * pcedit_sizes.size(), 500ms);
    const auto reports = side_.Receive(4023, 2 * sizes_3297.size(), 500ms);
    std::vector<std::size_t> got;
    for (const auto& d : pcedit) {
        got.push_back(d.size());
    }
    std::vector<std::size_t> expected = pcedit_sizes;
    expected.insert(expected.end(), pcedit_sizes.begin(), pcedit_sizes.end());
    ASSERT_EQ(got, expected);
    got.clear();
    for (const auto& d : reports) {
        got.push_back(d.size());
    }
    expected = sizes_3297;
    expected.insert(expected.end(), sizes_3297.begin(), sizes_3297.end());
    ASSERT_EQ(got, expected);

    EXPECT_EQ(TextAt(pcedit[0], 32, 17), "short");  // cut before its last name byte
    EXPECT_EQ(pcedit[2][5], 1);
    EXPECT_EQ(At(pcedit[3], 10, 4), (Bytes{0, 0, 0, 4}));
    EXPECT_EQ(At(pcedit[4], 32, 18),
              (Bytes{'c', 'a', 'm', 0, 'A', 'B', 'C', 'D', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(TextAt(pcedit[5], 32, 18), "abcdefghijklmnopqr");
    EXPECT_EQ(pcedit[5][50], '8');
    EXPECT_EQ(TextAt(pcedit[6], 32, 18), "oversized");
    EXPECT_EQ(At(pcedit[6], 70, 1130), Bytes(1130, 0));
    EXPECT_EQ(pcedit[7], (Bytes{'I', 'P', 'C', 'm'}));

    EXPECT_EQ(At(reports[0], 4, 2), (Bytes{0xbd, 0x01}));
    EXPECT_EQ(TextAt(reports[1], 380, 18), "long");
    EXPECT_EQ(reports[2][6], 3);
    EXPECT_EQ(reports[3][6], 4);
    EXPECT_EQ(reports[4][6], 0x31);
}

TEST_F(DevsimProgram, ReplyDelayHoldsTheAnswer) {
    norvik::test::BackgroundProcess devsim(Devsim({"--pcedit", "1", "--reply-delay", "400"}));
    ASSERT_TRUE(devsim.WaitForOutput("ready\n", 10s));
    const auto sent = Clock::now();
    side_.Broadcast(4022, PcEditSearch());
    const auto reports = side_.Receive(4022, 1, 0ms);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_GE(Clock::now() - sent, 390ms);
    EXPECT_EQ(At(reports[0], 14, 6), (Bytes{0x02, 0x4e, 0x56, 0x00, 0x00, 0x01}));
}

TEST_F(DevsimProgram, BurstSendsDistinctReportsOfBothProtocols) {
    const auto result = norvik::test::RunProcess(Devsim({"--burst", "60", "--protocol", "both"}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out.rfind("sent 60 in ", 0), 0u) << result.out;
    const auto pcedit = side_.Receive(4022, 30);
    const auto reports = side_.Receive(4023, 30);
    ASSERT_EQ(pcedit.size(), 30u);
    ASSERT_EQ(reports.size(), 30u);
    std::set<Bytes> macs = MacsAt(pcedit, 14);
    const std::set<Bytes> macs_3297 = MacsAt(reports, 8);
    macs.insert(macs_3297.begin(), macs_3297.end());
    EXPECT_EQ(macs.size(), 60u);
    std::set<std::string> names;
    for (const auto& report : pcedit) {
        names.insert(TextAt(report, 32, 18));
    }
    EXPECT_EQ(names.size(), 30u);
}

TEST_F(DevsimProgram, PacedBurstTakesItsTime) {
    const auto result = norvik::test::RunProcess(
        Devsim({"--burst", "20", "--protocol", "pcedit", "--rate", "50", "--repeat", "2"}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    double seconds = 0;
    ASSERT_EQ(std::sscanf(result.out.c_str(), "sent 40 in %lf seconds", &seconds), 1) << result.out;
    EXPECT_GE(seconds, 0.77);  // the 40th report is due 39/50 s after the first
    const auto reports = side_.Receive(4022, 40);
    ASSERT_EQ(reports.size(), 40u);
    EXPECT_EQ(MacsAt(reports, 14).size(), 20u);
}

TEST_F(DevsimProgram, BadInputIsReportedBeforeAnythingIsSent) {
    auto result = norvik::test::RunProcess(Devsim({"--file", kData + "bad.txt"}));
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_NE(result.err.find("bad.txt:3: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("bad.txt:5: "), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("bad.txt:2: "), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find("ready"), std::string::npos);

    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"--pcedit", "x"},
                                                 {"--burst", "5", "--pcedit", "1"},
                                                 {"--pcedit", "1", "--rate", "10"},
                                                 {"--frobnicate"}}) {
        result = norvik::test::RunProcess(Devsim(args));
        EXPECT_EQ(result.exit_code, 2) << (args.empty() ? "" : args[0]) << ": " << result.err;
    }
    EXPECT_TRUE(side_.Receive(4022, 0).empty());
}

// A tun interface is the one kind this namespace can make without netlink.
Fd OpenTun(const char* name) {
    Fd tun(::open("/dev/net/tun", O_RDWR | O_CLOEXEC));
    if (tun.get() < 0) {
        return Fd();
    }
    ifreq request{};
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    if (::ioctl(tun.get(), TUNSETIFF, &request) != 0) {
        return Fd();
    }
    return tun;
}

bool BringUp(const char* name) {
    Fd control(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    if (::ioctl(control.get(), SIOCGIFFLAGS, &request) != 0) {
        return false;
    }
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    return ::ioctl(control.get(), SIOCSIFFLAGS, &request) == 0;
}

TEST_F(DevsimProgram, RefusesToRunWhileAnotherInterfaceIsUp) {
    const Fd tun = OpenTun("devsimtest0");
    if (tun.get() < 0) {
        GTEST_SKIP() << "cannot make a tun interface here: " << std::strerror(errno);
    }
    // Down, it cannot carry anything: the simulator runs.
    {
        norvik::test::BackgroundProcess devsim(Devsim({"--pcedit", "1"}));
        EXPECT_TRUE(devsim.WaitForOutput("ready\n", 10s));
    }
    ASSERT_TRUE(BringUp("devsimtest0")) << std::strerror(errno);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--pcedit", "1", "--announce"}, {"--burst", "5"}}) {
        const auto result = norvik::test::RunProcess(Devsim(args));
        EXPECT_EQ(result.exit_code, 3) << args[0];
        EXPECT_NE(result.err.find("devsimtest0"), std::string::npos) << result.err;
        EXPECT_EQ(result.out.find("ready"), std::string::npos);
    }
    EXPECT_TRUE(side_.Receive(4022, 0).empty()) << "sent although refused";
}

}  // namespace
