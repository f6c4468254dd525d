#pragma once

#include <array>

#include "list_view.h"

namespace norvik {

// Re-orders the device list view's rows by one column, alternating the direction on
// successive clicks of the same header. It works on the rows' texts alone: records, row
// numbers and the selected device stay as they are.
class ColumnSort {
public:
    // Column 0 compares row numbers as numbers, columns 1 and 2 texts by their code units.
    // The first click on a header shows the column descending, the next ascending.
    void OnColumnClick(ListView& view, int column);

private:
    std::array<bool, 3> toggles_{};
};

}  // namespace norvik
