#include "device_report.h"

#include <gtest/gtest.h>

#include "list_fixture.h"
#include "utf.h"

namespace norvik::test {
namespace {

using DeviceReports = ListFixture;

TEST_F(DeviceReports, ADeviceOnBothProtocolsIsOneRecordUpdatedInPlace) {
    Device d;
    d.Named("both");
    d.dhcp = 1;
    Feed3297(Report3297(d));
    d.netmask = {255, 255, 0, 0};
    d.gateway = {192, 168, 0, 1};
    d.http_port = "8000";
    d.dns2 = {4, 4, 4, 4};
    FeedPcEdit(PcEditReport(d, 69));  // no DHCP group
    ASSERT_EQ(RecordCount(), 1u);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|both|192.168.001.010"}));
    const DeviceRecord& r = *devices.head();
    EXPECT_EQ(r.netmask, d.netmask);
    EXPECT_EQ(r.gateway, d.gateway);
    EXPECT_EQ(r.http_port, 8000);
    EXPECT_EQ(r.dns2, d.dns2);
    EXPECT_EQ(r.dhcp_supported, 0);
    Feed3297(Report3297(d));
    EXPECT_EQ(r.dhcp_supported, 1);
}

TEST_F(DeviceReports, AChangedAddressOrNameMovesTheRowExceptForRowOne) {
    Device first, second, third;
    FeedPcEdit(PcEditReport(first.WithMacLastOctet(1).Named("one")));
    FeedPcEdit(PcEditReport(second.WithMacLastOctet(2).Named("two")));
    FeedPcEdit(PcEditReport(third.WithMacLastOctet(3).Named("three")));

    FeedPcEdit(PcEditReport(second.WithIp({192, 168, 1, 20})));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|one|192.168.001.010", "3|three|192.168.001.010",
                                                "2|two|192.168.001.020"}));
    // Unchanged address and name: the row stays where it is.
    FeedPcEdit(PcEditReport(third));
    EXPECT_EQ(view.ItemText(1, 1), u"three");
    // The other address is kept: two devices may share a MAC.
    const DeviceRecord& moved = *devices.FindByMac(second.mac);
    EXPECT_TRUE(moved.other_address_heard);
    EXPECT_EQ(moved.other_ip, (Ipv4{192, 168, 1, 10}));
    EXPECT_FALSE(devices.FindByMac(third.mac)->other_address_heard);

    // Row number 1 keeps its place and its first texts; only the record changes.
    FeedPcEdit(PcEditReport(first.WithIp({10, 0, 0, 9}).Named("renamed")));
    EXPECT_EQ(Rows().front(), "1|one|192.168.001.010");
    EXPECT_EQ(devices.head()->ip, (Ipv4{10, 0, 0, 9}));
    EXPECT_EQ(NameText(devices.head()->name), u"renamed");

    FeedPcEdit(PcEditReport(third.Named("3rd")));
    EXPECT_EQ(Rows().back(), "3|3rd|192.168.001.010");
    EXPECT_EQ(view.ItemCount(), 3);
}

TEST_F(DeviceReports, JunkAfterTheNameMovesTheRowAtEveryReport) {
    Device plain, junk;
    FeedPcEdit(PcEditReport(plain.WithMacLastOctet(1).Named("first")));
    junk.WithMacLastOctet(2).Named("cam");
    junk.name[10] = 'J';  // after the NUL that ends "cam"
    FeedPcEdit(PcEditReport(junk));
    // Whenever a row is added below it, its next report moves it back to the end.
    for (std::uint8_t octet = 3; octet <= 4; ++octet) {
        Device other;
        FeedPcEdit(PcEditReport(other.WithMacLastOctet(octet).Named("other")));
        FeedPcEdit(PcEditReport(junk));
        EXPECT_EQ(Rows().back(), "2|cam|192.168.001.010");
    }
    // The record keeps the name up to its NUL only.
    EXPECT_EQ(devices.head()->next->name, (DeviceName{'c', 'a', 'm'}));
}

TEST_F(DeviceReports, ADeviceWithoutAnAddressIsListedAgainAtEveryReport) {
    Device zero;
    zero.WithIp({0, 168, 1, 10}).Named("zero");
    FeedPcEdit(PcEditReport(zero));
    FeedPcEdit(PcEditReport(zero));
    Feed3297(Report3297(zero));
    EXPECT_EQ(RecordCount(), 3u);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|zero|000.168.001.010", "2|zero|000.168.001.010",
                                                "3|zero|000.168.001.010"}));
    EXPECT_FALSE(devices.head()->other_address_heard);
    // Its MAC from an address too: two devices may share it, told on both records.
    FeedPcEdit(PcEditReport(zero.WithIp({192, 168, 1, 10})));
    const DeviceRecord* addressed = devices.FindByMac(zero.mac);
    ASSERT_NE(addressed, nullptr);
    EXPECT_TRUE(addressed->other_address_heard);
    EXPECT_EQ(addressed->other_ip, (Ipv4{0, 168, 1, 10}));
    EXPECT_TRUE(devices.head()->other_address_heard);
    EXPECT_EQ(devices.head()->other_ip, (Ipv4{192, 168, 1, 10}));
}

// How the name's bytes are decoded, NameText and Utf8ToUtf16 show (device_text_test, utf_test).
TEST_F(DeviceReports, AnEighteenByteNameIsWhole) {
    Device d;
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(1).Named("abcdefghijklmnopqr")));  // no NUL
    EXPECT_EQ(view.ItemText(0, 1), u"abcdefghijklmnopqr");
    EXPECT_EQ(NameText(devices.head()->name), u"abcdefghijklmnopqr");
}

TEST_F(DeviceReports, TheBusyFlagIsClearedAfterAKnownDevicesRowWork) {
    Device d;
    FeedPcEdit(PcEditReport(d));
    busy = 1;
    FeedPcEdit(PcEditReport(d));
    EXPECT_EQ(busy.load(), 0);
    busy = 1;
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(9)));  // a new device leaves it as it was
    EXPECT_EQ(busy.load(), 1);
}

TEST_F(DeviceReports, AReportThatFindsNoMemoryIsDroppedAndTheNextOneWorks) {
    static int calls;
    calls = 0;
    // The second chunk of records cannot be had the first time it is asked for.
    DeviceList failing([]() { return ++calls == 2 ? nullptr : DeviceList::AllocateChunk(); });
    const ReportContext failing_context{failing, view, busy, messages};
    constexpr std::size_t kReports = DeviceList::kRecordsPerChunk + 2;
    Device d;
    for (std::size_t i = 0; i < kReports; ++i) {
        d.mac[4] = static_cast<std::uint8_t>(i >> 8);
        d.mac[5] = static_cast<std::uint8_t>(i);
        const DatagramOutcome outcome = pcedit::HandleDatagram(failing_context, PcEditReport(d));
        if (i == DeviceList::kRecordsPerChunk) {
            EXPECT_EQ(DescribeOutcome(outcome), "dropped: out of memory");
        }
    }
    EXPECT_EQ(failing.size(), kReports - 1);
    EXPECT_EQ(std::distance(failing.begin(), failing.end()), kReports - 1);
    EXPECT_EQ(view.ItemCount(), static_cast<int>(kReports - 1));
    EXPECT_EQ(view.ItemText(static_cast<int>(kReports - 2), 0),
              Utf8ToUtf16(std::to_string(kReports - 1)));
    EXPECT_EQ(failing.tail()->mac[5], static_cast<std::uint8_t>(kReports - 1));
    // The dropped device can still come: its next report makes it.
    d.mac[4] = 1;
    d.mac[5] = 0;
    EXPECT_EQ(failing.FindByMac(d.mac), nullptr);
    pcedit::HandleDatagram(failing_context, PcEditReport(d));
    EXPECT_NE(failing.FindByMac(d.mac), nullptr);
    EXPECT_TRUE(messages.diagnostics().empty());  // short of memory is not a full list
}

// A flood of made-up devices fills the list and no more: the rest are dropped and counted,
// and the person is told once.
TEST_F(DeviceReports, AFullListDropsNewDevicesAndSaysSoOnce) {
    Device d;
    d.mac = {2, 0, 0, 0, 0, 0};
    for (std::size_t i = 0; i < DeviceList::kMaxDevices + 3; ++i) {
        d.mac[3] = static_cast<std::uint8_t>(i >> 16);
        d.mac[4] = static_cast<std::uint8_t>(i >> 8);
        d.mac[5] = static_cast<std::uint8_t>(i);
        FeedPcEdit(PcEditReport(d));
    }
    EXPECT_EQ(RecordCount(), DeviceList::kMaxDevices);
    EXPECT_EQ(view.ItemCount(), static_cast<int>(DeviceList::kMaxDevices));
    EXPECT_EQ(devices.dropped_devices(), 3u);
    EXPECT_EQ(messages.diagnostics(),
              std::vector<std::string>{"norvik: the device list holds 16384 devices; reports of "
                                       "further devices are dropped\n"});
    d.mac = {4, 4, 4, 4, 4, 4};
    EXPECT_EQ(DescribeOutcome(pcedit::HandleDatagram(context(), PcEditReport(d))),
              "dropped: list full");
    // A device already listed is still updated: renamed, its row moves to the end.
    d.mac = {2, 0, 0, 0, 0, 5};
    FeedPcEdit(PcEditReport(d.Named("still here")));
    EXPECT_EQ(view.ItemText(view.ItemCount() - 1, 0), u"6");
    EXPECT_EQ(view.ItemText(view.ItemCount() - 1, 1), u"still here");
    // A Search frees the list, and the refused reports stay counted for the whole run.
    devices.FreeAllRecords();
    FeedPcEdit(PcEditReport(d));
    EXPECT_EQ(RecordCount(), 1u);
    EXPECT_EQ(devices.dropped_devices(), 4u);
}

}  // namespace
}  // namespace norvik::test
