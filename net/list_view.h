#pragma once

#include <string>
#include <string_view>

namespace norvik {

// The device list view as the receive loops and the list code see it: rows of three columns
// (row number, device name, IP address). The windows implement it over their controls; the
// scanner and the tests use MemoryListView.
class ListView {
public:
    virtual ~ListView() = default;

    virtual int ItemCount() const = 0;
    // Inserts a row at index (an index past the end appends) whose column 0 reads text, and
    // returns the new row's index. Texts are taken by value: a caller's temporary moves in.
    virtual int InsertItem(int index, std::u16string text) = 0;
    virtual void SetItemText(int item, int column, std::u16string text) = 0;
    // The text of one column of a row; empty for a row or column that does not exist.
    virtual std::u16string ItemText(int item, int column) const = 0;
    virtual void DeleteItem(int item) = 0;
    virtual void DeleteAllItems() = 0;
    // The first row from the top whose column-0 text reads number (as ReadLeadingInteger
    // reads it), or -1. What a walk over every row would find, without the walk.
    virtual int FindItemNumbered(int number) const = 0;
};

}  // namespace norvik
