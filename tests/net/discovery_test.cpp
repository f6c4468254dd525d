// The two receive threads over real UDP, inside the suite's private network namespace.
#include "discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

#include "memory_list_view.h"
#include "recording_messages.h"
#include "report_bytes.h"
#include "udp_peer.h"
#include "wait_for.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

// The bind message carries the platform's code for a port held for exclusive use.
#ifdef _WIN32
constexpr const char* kPortInUseMessage = "ERROR:  10013 bind() failed";  // WSAEACCES
#else
constexpr const char* kPortInUseMessage = "ERROR:  98 bind() failed";  // EADDRINUSE
#endif

class DiscoveryOverUdp : public testing::Test {
protected:
    DiscoveryOverUdp()
        : discovery(lock, view, messages, [this](int code) { failure_code = code; }) {}

    void StartListening() {
        const auto started = discovery.Start();
        ASSERT_TRUE(started.receiver_3297 && started.pcedit_receiver);
        ASSERT_TRUE(discovery.WaitUntilListening(5s));
    }
    int RowCount() {
        std::lock_guard guard(lock);
        return view.ItemCount();
    }
    std::u16string RowText(int row, int column) {
        std::lock_guard guard(lock);
        return view.ItemText(row, column);
    }

    ListLock lock{""};
    MemoryListView view;
    RecordingMessages messages;
    std::atomic<int> failure_code{0};
    Discovery discovery;
};

TEST_F(DiscoveryOverUdp, BothSearchRequestsGoOutWithTheirExactBytes) {
    UdpPeer pcedit_port(4022);
    UdpPeer port_3297(4023);
    ASSERT_TRUE(pcedit_port.bound() && port_3297.bound());
    StartListening();

    EXPECT_EQ(pcedit_port.Receive(2s), PcEditSearchRequest());
    EXPECT_EQ(port_3297.Receive(2s), Search3297Request());
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_TRUE(messages.output().empty());
}

TEST_F(DiscoveryOverUdp, ADatagramLongerThanTheBufferIsDroppedNotCutAndTheTraceSaysSo) {
    messages.RecordTrace();
    StartListening();
    UdpPeer device;
    Device d;
    Bytes too_long = PcEditReport(d.WithMacLastOctet(1));
    too_long.resize(1001);
    ASSERT_TRUE(device.Broadcast(too_long, 4022));
    Bytes just_fits = PcEditReport(d.WithMacLastOctet(2));
    just_fits.resize(1000);
    ASSERT_TRUE(device.Broadcast(just_fits, 4022));
    ASSERT_TRUE(WaitFor([&] { return RowCount() == 1; }));
    {
        std::lock_guard guard(lock);
        EXPECT_EQ(discovery.devices().head()->mac[5], 2);
        EXPECT_EQ(discovery.devices().head()->next, nullptr);
    }
    // Both requests (which also come back to our own ports), then the two datagrams.
    ASSERT_TRUE(WaitFor([&] { return messages.trace().size() == 6; }))
        << testing::PrintToString(messages.trace());
    const auto has = [&](const std::string& text) {
        const auto trace = messages.trace();
        return std::count_if(trace.begin(), trace.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    };
#ifdef _WIN32
    const std::string card = " on ";
#else
    const std::string card = " on lo, ";
#endif
    EXPECT_EQ(has("request to 255.255.255.255:4022 by the routing table: sent 74 bytes\n"), 1);
    EXPECT_EQ(has("request to 255.255.255.255:4023 by the routing table: sent 445 bytes\n"), 1);
    EXPECT_EQ(has("bytes: dropped: a request, not a report\n"), 2);
    EXPECT_EQ(has(card), 4);
    EXPECT_EQ(has(" ? bytes: dropped: too long (over 1000 bytes; WS-Discovery: over 8192)\n"), 1);
    EXPECT_EQ(has(" 1000 bytes: new device, row 1\n"), 1);
}

// Counted whether or not anyone traces, for the metrics of a program that watches. A report of
// a refused login shows its message and is listed all the same.
TEST_F(DiscoveryOverUdp, DroppedDatagramsAreCountedByReason) {
    StartListening();
    UdpPeer device;
    Device d;
    ASSERT_TRUE(device.Broadcast({'n', 'o', 'i', 's', 'e'}, 4022));
    ASSERT_TRUE(device.Broadcast({'n', 'o', 'i', 's', 'e'}, 4022));
    Bytes too_long = PcEditReport(d);
    too_long.resize(1001);
    ASSERT_TRUE(device.Broadcast(too_long, 4022));
    Bytes padded = Report3297(d);
    padded.resize(446);  // longer than a 3297 report, shorter than the buffer
    ASSERT_TRUE(device.Broadcast(padded, 4023));
    ASSERT_TRUE(device.Broadcast(Report3297(d.WithIp({10, 0, 0, 2}).Named("refused"), 3), 4023));
    ASSERT_TRUE(WaitFor([&] { return RowCount() == 1; }));
    EXPECT_EQ(RowText(0, 1), u"refused");
    EXPECT_EQ(RowText(0, 2), u"010.000.000.002");
    EXPECT_EQ(messages.messages(), std::vector<std::string>{"設定失敗:帳號密碼錯誤"});
    EXPECT_EQ(messages.styles(), std::vector<MessageStyle>{MessageStyle::kApplication});
    // Both our requests come back to our own ports. Every reason not named here counts 0.
    const std::map<std::string, std::uint64_t> expected = {
        {"too-short", 2}, {"too-long", 1}, {"wrong-length", 1}, {"request", 2}};
    const auto counted = [&] {
        std::map<std::string, std::uint64_t> counts;
        for (std::size_t i = 0; i < kDropReasonCount; ++i) {
            const auto reason = static_cast<DropReason>(i);
            if (discovery.dropped(reason) != 0) {
                counts[DropReasonName(reason)] = discovery.dropped(reason);
            }
        }
        return counts;
    };
    EXPECT_TRUE(WaitFor([&] { return counted() == expected; }));
    EXPECT_EQ(counted(), expected);
}

TEST_F(DiscoveryOverUdp, AHeldPortEndsWithTheBindMessageAndAFailureCode) {
    UdpPeer holder(4022, /*share=*/false);
    ASSERT_TRUE(holder.bound());
    discovery.Start();
    ASSERT_TRUE(WaitFor([&] { return failure_code != 0; }));
    EXPECT_EQ(failure_code, kSocketFailureExitCode);
    EXPECT_EQ(messages.messages(), std::vector<std::string>{kPortInUseMessage});
    EXPECT_EQ(messages.styles(), std::vector<MessageStyle>{MessageStyle::kPlain});
    // The search request went out before the message, as without the early bind.
    const auto request = holder.Receive(2s);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->size(), 74u);
}

}  // namespace
}  // namespace norvik::test
