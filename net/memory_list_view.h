#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

    MemoryListView();

    int ItemCount() const override { return live_; }
    int InsertItem(int index, std::u16string text) override;
    void SetItemText(int item, int column, std::u16string text) override;
    std::u16string ItemText(int item, int column) const override;
    void DeleteItem(int item) override;
    void DeleteAllItems() override;
    int FindItemNumbered(int number) const override;

    // Every row, top to bottom.
    std::vector<Row> rows() const;

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // Rows sit in slots in their order, as the ids of their storage. A deleted row's slot stays
    // empty until the slots are packed again; a Fenwick tree counts the filled slots, so a
    // row's index and its slot find each other in O(log n). Free slots before the first row
    // let rows go in at the top. A row's texts stay where they are while its slot moves.
    struct Stored {
        Row row;
        std::size_t slot = 0;
        std::uint32_t same_number = kNone;  // the next row that reads the same number
    };

    std::size_t SlotOf(int item) const;
    int IndexOf(std::size_t slot) const;
    void Count(std::size_t slot, int delta);
    // Lays the rows out afresh: front_room free slots, the rows (with a free slot before row
    // gap_at, if any), room for as many again.
    void Repack(std::size_t front_room, int gap_at = -1);
    // Fills a free slot with a new row.
    void Fill(std::size_t slot, std::u16string text);
    // The first of the rows that read this number; kNone for none.
    std::uint32_t& FirstNumbered(int number);
    std::uint32_t FirstNumbered(int number) const;
    void Number(std::uint32_t id);
    void Unnumber(std::uint32_t id);

    std::vector<std::uint32_t> slots_;  // row ids; kNone for a free slot
    std::vector<int> counts_;           // the Fenwick tree over slots_, 1-based
    std::size_t first_ = 0;             // slots before it are free, for rows put at the top
    std::size_t end_ = 0;               // slots from it on are free, for rows put at the bottom
    int live_ = 0;
    std::vector<Stored> stored_;  // by row id; a deleted row's storage serves the next one
    std::vector<std::uint32_t> free_ids_;
    // The first of the rows that read each number in column 0; the others follow it through
    // same_number. Row numbers are small and dense, so most are found by place in a vector;
    // any other number has an entry in the map. A number whose rows all went keeps its entry,
    // so it costs no allocation when a row comes back to it.
    static constexpr int kDenseNumbers = 1 << 20;
    std::vector<std::uint32_t> first_numbered_;
    std::unordered_map<int, std::uint32_t> numbered_;
};

}  // namespace norvik
