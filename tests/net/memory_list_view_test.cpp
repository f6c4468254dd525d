#include "memory_list_view.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "device_text.h"
#include "utf.h"

namespace norvik {
namespace {

using Row = MemoryListView::Row;

// The list view as a plain vector: what every operation must come to.
struct PlainRows {
    std::vector<Row> rows;

    int Find(int number) const {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (ReadLeadingInteger(rows[i][0]) == number) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
};

// Mostly small numbers, as rows have; now and then one far outside them, or none at all.
constexpr int kFarNumbers[] = {-7, 1 << 20, 99999999};

std::u16string Text(std::mt19937& random, int numbers) {
    const int pick = std::uniform_int_distribution(0, numbers + 5)(random);
    if (pick > numbers + 3) {
        return u"none";
    }
    const int number = pick > numbers ? kFarNumbers[pick - numbers - 1] : pick;
    return Utf8ToUtf16(std::to_string(number));
}

// Random operations in the proportions the list code and the sort use them, checked against
// the plain vector after each: appends and re-lists, rows put at the top by the sort, the odd
// row in the middle, new numbers, and emptying.
TEST(MemoryListView, EveryOperationComesToWhatAPlainVectorGives) {
    std::mt19937 random(20261207);
    MemoryListView view;
    PlainRows plain;
    for (int step = 0; step < 60000; ++step) {
        const int count = static_cast<int>(plain.rows.size());
        const int kind = std::uniform_int_distribution(0, 99)(random);
        const int at = count == 0 ? 0 : std::uniform_int_distribution(0, count - 1)(random);
        if (kind < 53) {
            const int where = kind < 35 ? count : (kind < 50 ? 0 : at);
            const std::u16string number = Text(random, 300);
            EXPECT_EQ(view.InsertItem(where, number), where);
            plain.rows.insert(plain.rows.begin() + where, Row{number, u"", u""});
        } else if (kind < 85 && count > 0) {
            view.DeleteItem(at);
            plain.rows.erase(plain.rows.begin() + at);
        } else if (kind < 98 && count > 0) {
            const int column = std::uniform_int_distribution(0, 2)(random);
            const std::u16string text = Text(random, 300);
            view.SetItemText(at, column, text);
            plain.rows[static_cast<std::size_t>(at)][static_cast<std::size_t>(column)] = text;
        } else if (kind == 99 && step % 7 == 0) {
            view.DeleteAllItems();
            plain.rows.clear();
        }
        ASSERT_EQ(view.ItemCount(), static_cast<int>(plain.rows.size())) << step;
        if (!plain.rows.empty()) {
            const int probe =
                std::uniform_int_distribution(0, static_cast<int>(plain.rows.size()) - 1)(random);
            for (int column = 0; column < 3; ++column) {
                ASSERT_EQ(
                    view.ItemText(probe, column),
                    plain.rows[static_cast<std::size_t>(probe)][static_cast<std::size_t>(column)])
                    << step;
            }
        }
        const int pick = std::uniform_int_distribution(0, 303)(random);
        const int number = pick > 300 ? kFarNumbers[pick - 301] : pick;
        ASSERT_EQ(view.FindItemNumbered(number), plain.Find(number)) << step << " " << number;
    }
    EXPECT_EQ(view.rows(), plain.rows);
}

TEST(MemoryListView, OutOfRangeOperationsChangeNothing) {
    MemoryListView view;
    EXPECT_EQ(view.InsertItem(7, u"1"), 0);  // past the end: appended
    view.SetItemText(1, 0, u"x");
    view.SetItemText(0, 3, u"x");
    view.DeleteItem(-1);
    view.DeleteItem(1);
    EXPECT_EQ(view.ItemText(0, 0), u"1");
    EXPECT_EQ(view.ItemText(1, 0), u"");
    EXPECT_EQ(view.ItemText(0, -1), u"");
    EXPECT_EQ(view.ItemCount(), 1);
    EXPECT_EQ(view.FindItemNumbered(2), -1);
}

}  // namespace
}  // namespace norvik
