#include "device_list.h"

#include <gtest/gtest.h>

#include <array>

#include "memory_list_view.h"

namespace norvik {
namespace {

MacAddress Mac(std::uint8_t last) {
    return {0, 1, 2, 3, 4, last};
}

DeviceRecord& AddDevice(DeviceList& list, std::uint8_t mac_last, Ipv4 ip = {10, 0, 0, 1}) {
    DeviceRecord* record = list.AppendRecord(Mac(mac_last));
    list.SetAddress(*record, ip);
    return *record;
}

TEST(DeviceList, FreeingForgetsRecordsSelectionAndTheirMacs) {
    DeviceList list;
    DeviceRecord& first = AddDevice(list, 1);
    list.set_selected(&AddDevice(list, 2));
    EXPECT_EQ(first.next, list.tail());
    list.FreeAllRecords();
    EXPECT_EQ(list.head(), nullptr);
    EXPECT_EQ(list.tail(), nullptr);
    EXPECT_EQ(list.selected(), nullptr);
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.FindByMac(Mac(1)), nullptr);
    DeviceRecord& again = AddDevice(list, 1);
    EXPECT_EQ(list.FindByMac(Mac(1)), &again);
}

TEST(DeviceList, FindByMacSkipsRecordsWithoutAnAddressAndTakesTheFirstMatch) {
    DeviceList list;
    EXPECT_EQ(list.FindByMac(Mac(1)), nullptr);
    DeviceRecord& unaddressed = AddDevice(list, 1, {0, 168, 1, 2});  // never found by MAC
    DeviceRecord& addressed = AddDevice(list, 1, {192, 168, 1, 2});
    DeviceRecord& later = AddDevice(list, 1, {192, 168, 1, 3});
    EXPECT_EQ(list.FindByMac(Mac(1)), &addressed);
    EXPECT_EQ(list.FindByMac(Mac(2)), nullptr);
    EXPECT_EQ(list.FindByMacIncludingUnaddressed(Mac(1)), list.head());

    // What a walk from head finds, as addresses change: the first record whose first octet
    // is not 0.
    list.SetAddress(addressed, {0, 0, 0, 7});
    EXPECT_EQ(list.FindByMac(Mac(1)), &later);
    list.SetAddress(unaddressed, {10, 0, 0, 1});
    EXPECT_EQ(list.FindByMac(Mac(1)), &unaddressed);
    list.SetAddress(addressed, {10, 0, 0, 2});
    list.SetAddress(unaddressed, {0, 0, 0, 0});
    EXPECT_EQ(list.FindByMac(Mac(1)), &addressed);
    list.SetAddress(addressed, {0, 1, 1, 1});
    list.SetAddress(later, {0, 1, 1, 1});
    EXPECT_EQ(list.FindByMac(Mac(1)), nullptr);
    EXPECT_EQ(list.FindByMacIncludingUnaddressed(Mac(1)), &unaddressed);
}

// A table of 8 slots for 4 MACs, so that they share slots and probe past each other: each is
// found as itself, whichever octet sets it apart, and a MAC never added is not found.
TEST(MacIndex, MacsThatShareSlotsAreToldApartByEveryOctet) {
    MacIndex index(4);
    std::array<DeviceRecord, 4> records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].mac = {0x02, 0, 0, 0, 0, 0x10};
        if (i > 0) {
            records[i].mac[i == 1 ? 0 : (i == 2 ? 2 : 5)] ^= 0x80;  // first, middle, last octet
        }
        ASSERT_EQ(index.FindOrAdd(records[i])->first, &records[i]);
    }
    for (const DeviceRecord& record : records) {
        ASSERT_NE(index.Find(record.mac), nullptr);
        EXPECT_EQ(index.Find(record.mac)->first, &record);
    }
    DeviceRecord fifth;
    fifth.mac = {0x02, 0, 0, 0, 0, 0x11};
    EXPECT_EQ(index.Find(fifth.mac), nullptr);
    EXPECT_EQ(index.FindOrAdd(fifth), nullptr);  // full at its capacity
    EXPECT_EQ(index.FindOrAdd(records[3])->first, &records[3]);
}

TEST(DeviceList, RelistWithoutAMatchingRowStillAppendsOne) {
    DeviceList list;
    MemoryListView view;
    DeviceRecord& a = AddDevice(list, 1);
    list.ListRecord(a, view, {u"a", u"x"});
    view.SetItemText(0, 0, u"not a number");  // reads as 0: matches no record's number
    list.RelistRecord(a, view, {u"a2", u"y"});
    ASSERT_EQ(view.ItemCount(), 2);
    EXPECT_EQ(view.ItemText(1, 0), u"1");
    EXPECT_EQ(view.ItemText(1, 1), u"a2");
}

}  // namespace
}  // namespace norvik
