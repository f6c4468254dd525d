#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "list_view.h"

namespace norvik {

// A list view held in memory: the scanner's, the tests', and the model behind the windows'.
// Every operation costs O(log n) or less (amortised), however many rows there are, so that a
// flood of reports never makes the list code walk thousands of rows per datagram.
class MemoryListView : public ListView {
public:
    static constexpr int kColumnCount = 3;
    using Row = std::array<std::u16string, kColumnCount>;

    int ItemCount() const override { return live_; }
    int InsertItem(int index, std::u16string_view text) override;
    void SetItemText(int item, int column, std::u16string_view text) override;
    std::u16string ItemText(int item, int column) const override;
    void DeleteItem(int item) override;
    void DeleteAllItems() override;
    int FindItemNumbered(int number) const override;

    // Every row, top to bottom.
    std::vector<Row> rows() const;

private:
    // Rows sit in slots in their order. A deleted row's slot stays empty until the slots are
    // packed again; a Fenwick tree counts the filled slots, so a row's index and its slot find
    // each other in O(log n). Free slots before the first row let rows go in at the top.
    struct Slot {
        Row row;
        bool filled = false;
    };

    std::size_t SlotOf(int item) const;
    int IndexOf(std::size_t slot) const;
    void Count(std::size_t slot, int delta);
    // Lays the rows out afresh: front_room free slots, the rows, room for as many again.
    void Repack(std::size_t front_room, int insert_at = -1, std::u16string_view text = {});
    void Number(std::size_t slot);
    void Unnumber(std::size_t slot);

    std::vector<Slot> slots_;
    std::vector<int> counts_;  // the Fenwick tree over slots_, 1-based
    std::size_t first_ = 0;    // slots before it are free, for rows put at the top
    std::size_t end_ = 0;      // slots from it on are free, for rows put at the bottom
    int live_ = 0;
    // The slots of the rows that read each number in column 0, top first.
    std::unordered_map<int, std::vector<std::size_t>> numbered_;
};

}  // namespace norvik
