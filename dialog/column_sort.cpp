#include "column_sort.h"

#include <list>
#include <string>

#include "device_text.h"

namespace norvik {
namespace {

struct RowCopy {
    std::u16string texts[3];
};

// Whether a goes before b in sort mode mode (0 to 5). Equal rows keep their order: the sort
// is stable, and the rows go back in reversed.
bool GoesBefore(int mode, const RowCopy& a, const RowCopy& b) {
    switch (mode) {
        case 0:
            return ReadLeadingInteger(a.texts[0]) < ReadLeadingInteger(b.texts[0]);
        case 1:
            return ReadLeadingInteger(a.texts[0]) > ReadLeadingInteger(b.texts[0]);
        case 2:
            return a.texts[1].compare(b.texts[1]) < 0;
        case 3:
            return a.texts[1].compare(b.texts[1]) > 0;
        case 4:
            return a.texts[2].compare(b.texts[2]) < 0;
        default:
            return a.texts[2].compare(b.texts[2]) > 0;
    }
}

}  // namespace

void ColumnSort::OnColumnClick(ListView& view, int column) {
    if (column < 0 || column >= static_cast<int>(toggles_.size())) {
        return;
    }
    const auto c = static_cast<std::size_t>(column);
    const int mode = column * 2 + (toggles_[c] ? 1 : 0);
    toggles_[c] = !toggles_[c];

    std::list<RowCopy> rows;
    for (int row = 0; row < view.ItemCount(); ++row) {
        rows.push_back({{view.ItemText(row, 0), view.ItemText(row, 1), view.ItemText(row, 2)}});
    }
    // std::list::sort is the stable linked-list merge sort.
    rows.sort([mode](const RowCopy& a, const RowCopy& b) { return GoesBefore(mode, a, b); });
    view.DeleteAllItems();
    // Each row goes in at the top, so the list shows the sorted sequence reversed.
    for (RowCopy& copy : rows) {
        const int item = view.InsertItem(0, std::move(copy.texts[0]));
        view.SetItemText(item, 1, std::move(copy.texts[1]));
        view.SetItemText(item, 2, std::move(copy.texts[2]));
    }
}

}  // namespace norvik
