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

TEST_F(ColumnSortTest, NamesGoDescendingThenAscending) {
    AddRow("1", "b", "x");
    AddRow("2", "a", "y");
    AddRow("3", "c", "z");
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"3", "1", "2"}));  // rows move whole
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"a", "b", "c"}));
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

TEST_F(ColumnSortTest, TextsCompareByCodeUnitsCaseFirst) {
    AddRow("1", "b", "");
    AddRow("2", "B", "");
    AddRow("3", "a", "");
    sort.OnColumnClick(view, 1);
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"B", "a", "b"}));
}

TEST_F(ColumnSortTest, EqualRowsSwapOnEveryClickInBothDirections) {
    AddRow("1", "same", "");
    AddRow("2", "same", "");
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"2", "1"}));
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2"}));
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"2", "1"}));
}

TEST_F(ColumnSortTest, EachColumnKeepsItsOwnDirection) {
    AddRow("1", "b", "010");
    AddRow("2", "a", "020");
    AddRow("3", "c", "030");
    sort.OnColumnClick(view, 1);  // names descending
    sort.OnColumnClick(view, 2);  // addresses descending
    sort.OnColumnClick(view, 1);  // names: second click, ascending
    EXPECT_EQ(Column(1), (std::vector<std::string>{"a", "b", "c"}));
    sort.OnColumnClick(view, 3);  // no such column: nothing changes
    EXPECT_EQ(Column(1), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(ColumnSortTest, ListsOfNoneOrOneRowStayAsTheyWere) {
    sort.OnColumnClick(view, 1);
    EXPECT_EQ(view.ItemCount(), 0);
    AddRow("1", "only", "addr");
    sort.OnColumnClick(view, 2);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"only"}));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"addr"}));
}

}  // namespace
}  // namespace norvik
