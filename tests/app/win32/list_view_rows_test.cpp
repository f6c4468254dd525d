// The Windows list view control follows the list code's rows through bursts, Searches and the
// hand-over's bound, applied in steps as the window applies them. Under Wine.
// windows.h before commctrl.h, which needs it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include "list_view_rows.h"
#include "random_row_work.h"
#include "utf.h"

namespace norvik::test {
namespace {

// A report-view list view with the device list's three columns, in a window of its own.
class ListViewControl {
public:
    ListViewControl() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
        list_view_ = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 400, 300,
                                     parent_, nullptr, nullptr, nullptr);
        for (int column = 0; column < MemoryListView::kColumnCount; ++column) {
            LVCOLUMNW description{};
            description.mask = LVCF_WIDTH | LVCF_SUBITEM;
            description.cx = 100;
            description.iSubItem = column;
            SendMessageW(list_view_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                         reinterpret_cast<LPARAM>(&description));
        }
    }
    ~ListViewControl() { DestroyWindow(parent_); }

    HWND hwnd() const { return list_view_; }

    std::vector<MemoryListView::Row> Rows() const {
        const auto count = SendMessageW(list_view_, LVM_GETITEMCOUNT, 0, 0);
        std::vector<MemoryListView::Row> rows(static_cast<std::size_t>(count));
        for (std::size_t item = 0; item < rows.size(); ++item) {
            for (int column = 0; column < MemoryListView::kColumnCount; ++column) {
                wchar_t text[64] = {};
                LVITEMW request{};
                request.iSubItem = column;
                request.pszText = text;
                request.cchTextMax = static_cast<int>(std::size(text));
                SendMessageW(list_view_, LVM_GETITEMTEXTW, item,
                             reinterpret_cast<LPARAM>(&request));
                rows[item][static_cast<std::size_t>(column)] = FromWide(text);
            }
        }
        return rows;
    }

private:
    HWND parent_ = nullptr;
    HWND list_view_ = nullptr;
};

TEST(ListViewRows, TheControlEndsWithTheListCodesRows) {
    for (unsigned seed = 1; seed <= 2; ++seed) {
        ListLock lock("");
        RowHandover rows([] {});
        ListViewControl control;
        ASSERT_NE(control.hwnd(), nullptr);
        ListViewRows list_rows;
        list_rows.Attach(control.hwnd());
        RowFollower follower(rows, lock, list_rows);
        FollowRandomWork(lock, rows, follower, RoundSizesPastTheBound(), seed);
        EXPECT_EQ(control.Rows(), AllRows(lock, rows)) << "seed " << seed;
    }
}

}  // namespace
}  // namespace norvik::test
