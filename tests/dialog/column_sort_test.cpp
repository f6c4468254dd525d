#include "column_sort.h"

#include <gtest/gtest.h>

#include "memory_list_view.h"
#include "utf.h"

namespace norvik {
namespace {

class ColumnSortTest : public testing::Test {
protected:
    void AddRow(std::u16string_view number, std::u16string_view name, std::u16string_view address) {
        const int row = view.InsertItem(view.ItemCount(), std::u16string(number));
        view.SetItemText(row, 1, std::u16string(name));
        view.SetItemText(row, 2, std::u16string(address));
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (const auto& row : view.rows()) {
            texts.push_back(Utf16ToUtf8(row[static_cast<std::size_t>(column)]));
        }
        return texts;
    }

    MemoryListView view;
    ColumnSort sort;
};

// Each column keeping its own direction the shared scenarios check (HeadingsSortTheRows).
TEST_F(ColumnSortTest, NamesGoDescendingThenAscendingByCodeUnits) {
    sort.OnColumnClick(view, 1);  // descending, on an empty list: the direction turns all the same
    AddRow(u"1", u"b", u"w");
    AddRow(u"2", u"a", u"x");
    AddRow(u"3", u"c", u"y");
    AddRow(u"4", u"B", u"z");  // upper case comes before lower case
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"B", "a", "b", "c"}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"4", "2", "1", "3"}));
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"c", "b", "a", "B"}));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"y", "w", "x", "z"}));  // rows move whole
    sort.OnColumnClick(view, 3);  // no such column: nothing changes
    EXPECT_EQ(Column(1), (std::vector<std::string>{"c", "b", "a", "B"}));
}

TEST_F(ColumnSortTest, RowNumbersCompareAsNumbersAndAddressesAsText) {
    AddRow(u"9", u"n", u"192.168.001.002");
    AddRow(u"10", u"m", u"192.168.001.010");
    sort.OnColumnClick(view, 0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"10", "9"}));
    sort.OnColumnClick(view, 0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"9", "10"}));
    sort.OnColumnClick(view, 2);
    EXPECT_EQ(Column(2), (std::vector<std::string>{"192.168.001.010", "192.168.001.002"}));
}

TEST_F(ColumnSortTest, EqualRowsSwapOnEveryClickInBothDirections) {
    AddRow(u"1", u"same", u"");
    AddRow(u"2", u"same", u"");
    for (const auto& order : {std::vector<std::string>{"2", "1"}, {"1", "2"}, {"2", "1"}}) {
        sort.OnColumnClick(view, 1);
        EXPECT_EQ(Column(0), order);
    }
}

}  // namespace
}  // namespace norvik
