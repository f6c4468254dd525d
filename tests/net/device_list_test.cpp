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

TEST(DeviceList, AppendsAtTheTailAndFreesEverything) {
    DeviceList list;
    EXPECT_TRUE(list.empty());
    DeviceRecord* first = list.AppendRecord(Mac(1));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(list.head(), first);
    EXPECT_EQ(list.tail(), first);
    EXPECT_EQ(first->list_index, -1);
    DeviceRecord* second = list.AppendRecord(Mac(1));
    EXPECT_EQ(list.head(), first);
    EXPECT_EQ(list.tail(), second);
    EXPECT_EQ(first->next, second);
    EXPECT_EQ(second->next, nullptr);

    list.set_selected(second);
    list.FreeAllRecords();
    EXPECT_EQ(list.head(), nullptr);
    EXPECT_EQ(list.tail(), nullptr);
    EXPECT_EQ(list.selected(), nullptr);
    EXPECT_NE(list.AppendRecord(Mac(1)), nullptr);  // usable again
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

TEST(DeviceList, ListsRecordsInOrderAndLeavesListedOnesAlone) {
    DeviceList list;
    MemoryListView view;
    DeviceRecord& a = AddDevice(list, 1);
    DeviceRecord& b = AddDevice(list, 2);
    list.ListRecord(a, view, {"a", "010.000.000.001"});
    list.ListRecord(b, view, {"b", "010.000.000.002"});
    list.ListRecord(a, view, {"changed", "x"});
    ASSERT_EQ(view.ItemCount(), 2);
    EXPECT_EQ(a.list_index, 0);
    EXPECT_EQ(b.list_index, 1);
    EXPECT_EQ(view.ItemText(0, 0), "1");
    EXPECT_EQ(view.ItemText(0, 1), "a");
    EXPECT_EQ(view.ItemText(1, 0), "2");
    EXPECT_EQ(view.ItemText(1, 2), "010.000.000.002");
    EXPECT_EQ(list.last_inserted_row(), 1);
}

TEST(DeviceList, RelistMovesTheRowToTheEndAndKeepsItsNumber) {
    DeviceList list;
    MemoryListView view;
    DeviceRecord* records[3];
    for (std::uint8_t i = 0; i < 3; ++i) {
        records[i] = &AddDevice(list, i);
        list.ListRecord(*records[i], view, {QString("d%1").arg(i), "addr"});
    }
    list.RelistRecord(*records[1], view, {"new name", "new addr"});
    ASSERT_EQ(view.ItemCount(), 3);
    EXPECT_EQ(view.ItemText(0, 0), "1");
    EXPECT_EQ(view.ItemText(1, 0), "3");
    EXPECT_EQ(view.ItemText(2, 0), "2");
    EXPECT_EQ(view.ItemText(2, 1), "new name");
    EXPECT_EQ(view.ItemText(2, 2), "new addr");
    EXPECT_EQ(records[1]->list_index, 1);
    EXPECT_EQ(list.last_inserted_row(), 2);
}

TEST(DeviceList, RelistWithoutAMatchingRowStillAppendsOne) {
    DeviceList list;
    MemoryListView view;
    DeviceRecord& a = AddDevice(list, 1);
    list.ListRecord(a, view, {"a", "x"});
    view.SetItemText(0, 0, "not a number");  // reads as 0: matches no record's number
    list.RelistRecord(a, view, {"a2", "y"});
    ASSERT_EQ(view.ItemCount(), 2);
    EXPECT_EQ(view.ItemText(1, 0), "1");
    EXPECT_EQ(view.ItemText(1, 1), "a2");
}

TEST(DeviceList, LookupByRowNumberFindsTheFirstFromHead) {
    DeviceList list;
    DeviceRecord& a = AddDevice(list, 1);
    DeviceRecord& b = AddDevice(list, 2);
    DeviceRecord& c = AddDevice(list, 3);
    a.list_index = 0;
    b.list_index = 1;
    c.list_index = 1;  // as a re-numbering report can leave it
    EXPECT_EQ(list.LookupByRowNumber(1), &a);
    EXPECT_EQ(list.LookupByRowNumber(2), &b);
    EXPECT_EQ(list.LookupByRowNumber(3), nullptr);
    EXPECT_EQ(list.LookupByRowNumber(0), nullptr);
}

TEST(DeviceList, AllocationFailureLeavesTheListAsItWas) {
    DeviceList list([]() -> DeviceRecord* { return nullptr; });
    EXPECT_EQ(list.AppendRecord(Mac(1)), nullptr);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.tail(), nullptr);
}

}  // namespace
}  // namespace norvik
