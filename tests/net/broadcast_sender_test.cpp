// The senders over real sockets, with real failures: a network without a route to the
// broadcast address, and a process out of file descriptors.
#include "broadcast_sender.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>

#include "broadcast_route.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>

#include "recording_messages.h"
#include "text_assertions.h"
#include "udp_peer.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

// Sockets are descriptors on Linux and handles on Windows.
std::size_t OpenDescriptorCount() {
#ifdef _WIN32
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
#else
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(fds), end(fds)));
#endif
}

std::vector<std::uint8_t> Request(std::size_t size) {
    std::vector<std::uint8_t> request(size);
    std::iota(request.begin(), request.end(), std::uint8_t{0});  // wraps at 256
    return request;
}

// The loopback interface stands in for a card.
#ifdef _WIN32
const NetworkInterface kLoopbackCard{1, "Loopback", {127, 0, 0, 1}};
#else
const NetworkInterface kLoopbackCard{1, "lo", {127, 0, 0, 1}};
#endif

TEST(BroadcastSender, SendsExactlyTheHeadOfTheBufferOnceThroughEachCardAndClosesItsSocket) {
    UdpPeer pcedit_port(4022);
    UdpPeer port_3297(4023);
    RecordingMessages messages;
    const auto buffer = Request(1000);
    const std::size_t before = OpenDescriptorCount();
    EXPECT_EQ(Send(kPcEditSender, buffer, messages), 74);
    EXPECT_EQ(Send(k3297Sender, buffer, messages), 445);
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_EQ(pcedit_port.Receive(2s), Request(74));
    EXPECT_EQ(port_3297.Receive(2s), Request(445));
    // Without a card that can broadcast, one datagram goes the routing table's way.
    EXPECT_TRUE(BroadcastInterfaces().empty());
    EXPECT_FALSE(pcedit_port.Receive(100ms));
    EXPECT_FALSE(port_3297.Receive(100ms));

    // Through cards: once through each, and traced.
    messages.RecordTrace();
    const NetworkInterface cards[] = {kLoopbackCard, kLoopbackCard};
    EXPECT_EQ(SendThrough(cards, kPcEditSender, Request(100), messages), 74);
    EXPECT_EQ(pcedit_port.Receive(2s), Request(74));
    EXPECT_EQ(pcedit_port.Receive(2s), Request(74));
    EXPECT_FALSE(pcedit_port.Receive(100ms));
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_TRUE(messages.output().empty());
    EXPECT_TRUE(messages.diagnostics().empty());
    const std::string sent =
        " request to 255.255.255.255:4022 through " + kLoopbackCard.name + ": sent 74 bytes\n";
    const auto trace = messages.trace();
    EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                            [&](const std::string& line) { return line.ends_with(sent); }),
              2)
        << testing::PrintToString(trace);
}

#ifndef _WIN32

// Cards that have gone since they were listed. (Windows refuses to bind a socket to an address
// no card has, but Wine lets it, so these run on Linux only.)
const NetworkInterface kGoneCard{9999, "gone0", {10, 9, 9, 9}};
const NetworkInterface kOtherGoneCard{9998, "gone1", {10, 9, 9, 8}};

bool AllMention(const std::vector<std::string>& lines, const std::string& text) {
    return !lines.empty() && std::all_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

TEST(BroadcastSender, ACardThatFailsAmongOthersIsADiagnosticNotABox) {
    UdpPeer pcedit_port(4022);
    RecordingMessages messages;
    messages.RecordTrace();
    const NetworkInterface cards[] = {kGoneCard, kLoopbackCard};
    const std::size_t before = OpenDescriptorCount();
    EXPECT_EQ(SendThrough(cards, kPcEditSender, Request(100), messages), 74);
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_EQ(pcedit_port.Receive(2s), Request(74));
    EXPECT_FALSE(pcedit_port.Receive(100ms));
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_TRUE(messages.output().empty());
    EXPECT_TRUE(AllMention(messages.diagnostics(), "norvik: through gone0: "))
        << testing::PrintToString(messages.diagnostics());
    const auto trace = messages.trace();
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_TRUE(
        Contains(trace[0], " request to 255.255.255.255:4022 through gone0: not sent (74 bytes"));
    EXPECT_TRUE(Contains(trace[1], " request to 255.255.255.255:4022 through " +
                                       kLoopbackCard.name + ": sent 74 bytes\n"));
}

TEST(BroadcastSender, ARequestNoCardCouldSendIsSaidAsForOneDatagram) {
    RecordingMessages messages;
    const NetworkInterface cards[] = {kGoneCard, kOtherGoneCard};
    SendThrough(cards, kPcEditSender, Request(100), messages);
    RecordingMessages single;
    const NetworkInterface first[] = {kGoneCard};
    SendThrough(first, kPcEditSender, Request(100), single);
    EXPECT_EQ(messages.messages(), single.messages());
    EXPECT_EQ(messages.output(), single.output());
    EXPECT_TRUE(AllMention(messages.diagnostics(), "norvik: through gone1: "))
        << testing::PrintToString(messages.diagnostics());
    EXPECT_TRUE(single.diagnostics().empty());
    // The retry's lines, as when the routing table has no way.
    EXPECT_EQ(single.output().size(), 2u);
}

// Writing a line may change the thread's last error (on Windows, a console check does).
class ErrorChangingMessages : public RecordingMessages {
public:
    void WriteOutput(std::string_view line) override {
        RecordingMessages::WriteOutput(line);
        errno = EBADF;
    }
};

TEST(BroadcastSender, WithoutARouteOnlyThePcEditSenderLogsItsRetry) {
    ASSERT_TRUE(ChangeBroadcastRoute(SIOCDELRT));
    ErrorChangingMessages messages;
    const auto buffer = Request(1000);
    const std::size_t before = OpenDescriptorCount();
    int error = 0;
    EXPECT_LT(Send(kPcEditSender, buffer, messages, &error), 0);
    EXPECT_EQ(error, ENETUNREACH) << "the failure's own error, not what writing its lines left";
    EXPECT_EQ(messages.output(), (std::vector<std::string>{"ERROR:  sendto failed -1,errno:101\n",
                                                           "again:  sendto st -1,errno:101\n"}));
    RecordingMessages quiet;
    EXPECT_LT(Send(k3297Sender, buffer, quiet), 0);
    EXPECT_TRUE(quiet.output().empty());
    EXPECT_TRUE(quiet.messages().empty());
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_TRUE(ChangeBroadcastRoute(SIOCADDRT));
}

TEST(BroadcastSender, NoSocketLeftShowsTheSocketMessage) {
    // The lowest free descriptor becomes the limit, so the next socket() cannot get one.
    const int lowest_free = ::dup(0);
    ASSERT_GE(lowest_free, 0);
    ::close(lowest_free);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowest_free);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    RecordingMessages messages;
    SendRequest(k3297Sender, Request(1000), messages);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(messages.messages(), std::vector<std::string>{"ERROR:  24 socket() failed"});
    EXPECT_EQ(messages.output(),
              std::vector<std::string>{"ERROR:  SOCKET transmit test fails -1\n"});
}

#endif

}  // namespace
}  // namespace norvik::test
