#include "device_list.h"

#include <gtest/gtest.h>

#include "memory_list_view.h"

namespace norvik {
namespace {

MacAddress Mac(std::uint8_t last) {
    return {0, 1, 2, 3, 4, last};
}

DeviceRecord& AddDevice(DeviceList& list, std::uint8_t mac_last, Ipv4 ip = {10, 0, 0, 1}) {
    DeviceRecord* record = list.AppendRecord(Mac(mac_last));
    record->ip = ip;
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
    EXPECT_EQ(list.FindByMac(Mac(1)), nullptr);
    DeviceRecord& again = AddDevice(list, 1);
    EXPECT_EQ(list.FindByMac(Mac(1)), &again);
}

TEST(DeviceList, FindByMacSkipsRecordsWithoutAnAddressAndTakesTheFirstMatch) {
    DeviceList list;
    EXPECT_EQ(list.FindByMac(Mac(1)), nullptr);
    AddDevice(list, 1, {0, 168, 1, 2});  // first octet 0: never found by MAC
    DeviceRecord& addressed = AddDevice(list, 1, {192, 168, 1, 2});
    AddDevice(list, 1, {192, 168, 1, 3});
    EXPECT_EQ(list.FindByMac(Mac(1)), &addressed);
    EXPECT_EQ(list.FindByMac(Mac(2)), nullptr);
    EXPECT_EQ(list.FindByMacIncludingUnaddressed(Mac(1)), list.head());
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
