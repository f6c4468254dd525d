#include "column_sort.h"

#include <gtest/gtest.h>

#include "memory_list_view.h"

namespace norvik {
namespace {

class ColumnSortTest : public testing::Test {
protected:
    void AddRow(const QString& number, const QString& name, const QString& address) {
        const int row = view.InsertItem(view.ItemCount(), number);
        view.SetItemText(row, 1, name);
        view.SetItemText(row, 2, address);
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (const auto& row : view.rows()) {
            texts.push_back(row[static_cast<std::size_t>(column)].toStdString());
        }
        return texts;
    }

    MemoryListView view;
    ColumnSort sort;
};

TEST_F(ColumnSortTest, NamesGoDescendingThenAscendingByCodeUnits) {
    AddRow("1", "b", "w");
    AddRow("2", "a", "x");
    AddRow("3", "c", "y");
    AddRow("4", "B", "z");  // upper case comes before lower case
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"c", "b", "a", "B"}));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"y", "w", "x", "z"}));  // rows move whole
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"B", "a", "b", "c"}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"4", "2", "1", "3"}));
}

TEST_F(ColumnSortTest, RowNumbersCompareAsNumbersAndAddressesAsText) {
    AddRow("9", "n", "192.168.001.002");
    AddRow("10", "m", "192.168.001.010");
    sort.OnColumnClick(view, 0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"10", "9"}));
    sort.OnColumnClick(view, 0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"9", "10"}));
    sort.OnColumnClick(view, 2);
    EXPECT_EQ(Column(2), (std::vector<std::string>{"192.168.001.010", "192.168.001.002"}));
}

TEST_F(ColumnSortTest, EqualRowsSwapOnEveryClickInBothDirections) {
    AddRow("1", "same", "");
    AddRow("2", "same", "");
    for (const auto& order : {std::vector<std::string>{"2", "1"}, {"1", "2"}, {"2", "1"}}) {
        sort.OnColumnClick(view, 1);
        EXPECT_EQ(Column(0), order);
    }
}

TEST_F(ColumnSortTest, EachColumnKeepsItsOwnDirection) {
    sort.OnColumnClick(view, 1);  // names descending, on an empty list
    AddRow("1", "b", "010");
    AddRow("2", "a", "020");
    AddRow("3", "c", "030");
    sort.OnColumnClick(view, 2);  // addresses descending
    sort.OnColumnClick(view, 1);  // names: second click, ascending
    EXPECT_EQ(Column(1), (std::vector<std::string>{"a", "b", "c"}));
    sort.OnColumnClick(view, 3);  // no such column: nothing changes
    EXPECT_EQ(Column(1), (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
}  // namespace norvik
