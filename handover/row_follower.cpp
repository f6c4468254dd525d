#include "row_follower.h"

#include <cstdint>
#include <mutex>

#include "list_lock.h"
#include "row_handover.h"

namespace norvik {

RowFollower::RowFollower(RowHandover& rows, ListLock& lock, RowControl& control)
    : rows_(rows), lock_(lock), control_(control) {}

bool RowFollower::Step() {
    return Apply(kChangesPerStep);
}

void RowFollower::SyncAll() {
    while (Apply(SIZE_MAX)) {
    }
}

bool RowFollower::Apply(std::size_t limit) {
    RowHandover::Update update = rows_.TakeUpdate(limit);
    if (!update.reload && update.changes.empty()) {
        return update.more;
    }
    control_.BeginChanges();
    if (update.reload) {
        std::vector<MemoryListView::Row> rows;
        {
            std::lock_guard guard(lock_);
            rows = rows_.ReloadRows();
        }
        control_.ReplaceAllRows(rows);
    }
    for (const RowHandover::Change& change : update.changes) {
        switch (change.kind) {
            case RowHandover::Change::kInsert:
                control_.InsertRow(change.item, change.text);
                break;
            case RowHandover::Change::kSetText:
                control_.SetText(change.item, change.column, change.text);
                break;
            case RowHandover::Change::kDelete:
                control_.DeleteRow(change.item);
                break;
            case RowHandover::Change::kDeleteAll:
                control_.DeleteAllRows();
                break;
        }
    }
    control_.EndChanges();
    return update.more;
}

}  // namespace norvik
