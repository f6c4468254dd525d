// Both protocols bursting while the list is freed and searched again over and over: nothing
// may deadlock, and no row may be lost or doubled.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "broadcast_sender.h"
#include "discovery.h"
#include "memory_list_view.h"
#include "pcedit.h"
#include "protocol_3297.h"
#include "recording_messages.h"
#include "report_bytes.h"
#include "udp_peer.h"
#include "wait_for.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

constexpr int kDevicesPerProtocol = 128;

Device DeviceNumber(int protocol, int i, int round) {
    Device d;
    d.mac = {0x02, static_cast<std::uint8_t>(protocol), 0,
             0,    static_cast<std::uint8_t>(i >> 8),   static_cast<std::uint8_t>(i)};
    // The address changes from round to round, so rows are re-listed too.
    d.ip = {10, static_cast<std::uint8_t>(protocol), static_cast<std::uint8_t>(round % 2),
            static_cast<std::uint8_t>(i + 1)};
    d.Named("dev-" + std::to_string(protocol) + "-" + std::to_string(i));
    return d;
}

void Report(UdpPeer& device, int protocol, int i, int round) {
    const Device d = DeviceNumber(protocol, i, round);
    device.Broadcast(protocol == 0 ? PcEditReport(d) : Report3297(d), protocol == 0 ? 4022 : 4023);
}

class DiscoveryStress : public testing::Test {
protected:
    DiscoveryStress() : discovery(lock, view, messages, [](int) {}) {}

    // What the Search command does to the list, from the user-interface thread's side.
    bool Search() {
        if (discovery.receive_busy() != 0) {
            return false;
        }
        std::lock_guard guard(lock);
        discovery.devices().FreeAllRecords();
        for (int row = view.ItemCount() - 1; row >= 0; --row) {
            view.DeleteItem(row);
        }
        const auto pcedit = discovery.pcedit_request().Update(pcedit::PrepareSearchCommand);
        const auto packet = discovery.request_3297().Update(p3297::BuildSearchRequest);
        SendRequest(kPcEditSender, pcedit, messages);
        SendRequest(k3297Sender, packet, messages);
        return true;
    }

    // Every listed record has exactly one row and the rows are numbered 1 to n; returns the
    // MAC of every row's device.
    std::multiset<MacAddress> CheckRowsMatchRecords() {
        std::lock_guard guard(lock);
        std::map<int, const DeviceRecord*> by_number;
        for (const DeviceRecord& r : discovery.devices()) {
            EXPECT_GE(r.list_index, 0) << "a record without a row";
            EXPECT_TRUE(by_number.emplace(r.list_index + 1, &r).second)
                << "two records numbered " << r.list_index + 1;
        }
        std::set<int> numbers;
        std::multiset<MacAddress> macs;
        for (int row = 0; row < view.ItemCount(); ++row) {
            const int number = ReadLeadingInteger(view.ItemText(row, 0));
            EXPECT_TRUE(numbers.insert(number).second) << "row number " << number << " twice";
            const auto record = by_number.find(number);
            if (record == by_number.end()) {
                ADD_FAILURE() << "row " << number << " has no record";
                continue;
            }
            EXPECT_EQ(view.ItemText(row, 1), NameText(record->second->name));
            macs.insert(record->second->mac);
        }
        EXPECT_EQ(numbers.size(), by_number.size());
        if (!numbers.empty()) {
            EXPECT_EQ(*numbers.begin(), 1);
            EXPECT_EQ(*numbers.rbegin(), static_cast<int>(numbers.size()));
        }
        return macs;
    }

    ListLock lock{""};
    MemoryListView view;
    RecordingMessages messages;
    Discovery discovery;
};

TEST_F(DiscoveryStress, SearchingDuringBurstsLosesAndDoublesNothing) {
    const auto started = discovery.Start();
    ASSERT_TRUE(started.receiver_3297 && started.pcedit_receiver);
    ASSERT_TRUE(discovery.WaitUntilListening(5s));

    std::atomic<bool> bursting{true};
    std::vector<std::thread> senders;
    for (int protocol = 0; protocol < 2; ++protocol) {
        senders.emplace_back([&, protocol] {
            UdpPeer device;
            for (int round = 0; bursting; ++round) {
                for (int i = 0; i < kDevicesPerProtocol && bursting; ++i) {
                    Report(device, protocol, i, round);
                }
            }
        });
    }
    int searches = 0;
    const auto storm_end = std::chrono::steady_clock::now() + 2s;
    while (std::chrono::steady_clock::now() < storm_end) {
        searches += Search() ? 1 : 0;
        CheckRowsMatchRecords();
        if (HasFailure()) {
            break;
        }
        std::this_thread::sleep_for(1ms);
    }
    bursting = false;
    for (auto& sender : senders) {
        sender.join();
    }
    EXPECT_GT(searches, 0);

    // A last search, then each device reports until all are back: exactly one row each.
    ASSERT_TRUE(WaitFor([&] { return Search(); }));
    UdpPeer device;
    std::multiset<MacAddress> listed;
    EXPECT_TRUE(WaitFor(
        [&] {
            for (int protocol = 0; protocol < 2; ++protocol) {
                for (int i = 0; i < kDevicesPerProtocol; ++i) {
                    if (listed.count(DeviceNumber(protocol, i, 0).mac) == 0) {
                        Report(device, protocol, i, 0);
                    }
                }
            }
            std::this_thread::sleep_for(20ms);
            listed = CheckRowsMatchRecords();
            return listed.size() >= 2 * kDevicesPerProtocol;
        },
        20s));
    EXPECT_EQ(listed.size(), 2u * kDevicesPerProtocol);
    EXPECT_EQ(std::set(listed.begin(), listed.end()).size(), listed.size());
    discovery.Stop();
    EXPECT_TRUE(messages.messages().empty());
}

}  // namespace
}  // namespace norvik::test
