#pragma once

#include <array>
#include <string>
#include <vector>

#include "list_view.h"

namespace norvik {

// A list view held in memory: the scanner's, the tests', and the model behind the dialog's.
class MemoryListView : public ListView {
public:
    static constexpr int kColumnCount = 3;
    using Row = std::array<std::u16string, kColumnCount>;

    int ItemCount() const override { return static_cast<int>(rows_.size()); }
    int InsertItem(int index, std::u16string_view text) override;
    void SetItemText(int item, int column, std::u16string_view text) override;
    std::u16string ItemText(int item, int column) const override;
    void DeleteItem(int item) override;

    const std::vector<Row>& rows() const { return rows_; }

private:
    bool IsCell(int item, int column) const;

    std::vector<Row> rows_;
};

}  // namespace norvik
