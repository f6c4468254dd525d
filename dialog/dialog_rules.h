#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "broadcast_sender.h"
#include "column_sort.h"
#include "device_record.h"
#include "dialog_data.h"
#include "dialog_view.h"
#include "discovery.h"
#include "list_lock.h"
#include "list_view.h"
#include "ui_string_table.h"

namespace norvik {

// The device list as the rules work on it: the rows the list code keeps, which the receive
// threads change too (under LIST LOCK), and what shows them in the window now: after a command
// of the person's own, the rows must not wait for the next round of the window's events.
struct DeviceRows {
    ListView& list;
    std::function<void()> show_now;
};

// Everything the main dialog does that is not drawing: what its initialisation sets up, what a
// click on a row shows, what the Static and DHCP buttons switch, how the headings sort, what
// Search and Submit do and in which order, which web page a double-click opens and what Exit
// frees. Both windows call it from their event handlers and let it work through DialogView.
class DialogRules {
public:
    // How a request leaves: the broadcast senders, unless a test takes the bytes instead.
    using SendRequestFunction = std::function<void(const BroadcastSender&, ByteSpan)>;

    DialogRules(DialogView& view, DeviceRows rows, ListLock& lock, Discovery& discovery,
                SendRequestFunction send_request,
                UiStringTable& strings = ProcessUiStringTable());

    // The dialog's initialisation, after its controls exist and before its window shows: the
    // empty values into the edits, the language file, the 3297 receive thread and then the
    // PCEdit one ("Create Rx Thread error!" when the latter cannot start), an empty Port1
    // edit, and the DHCP and Static buttons hidden.
    void Initialize();
    // The device list view's column headings, as the language file left them.
    std::array<std::u16string, 3> ColumnHeadings() const;
    // The columns' widths for a list view list_width pixels wide (its window, border
    // included): the number column hidden, the name wider than the address.
    static std::array<int, 3> ColumnWidths(int list_width);

    // A click in the device list view, with the clicked row's column-0 text (empty below the
    // last row): its device becomes the selected one and the controls show it.
    void OnListClick(std::u16string_view row_number_text);
    // A double-click opens the selected device's web page.
    void OnListDoubleClick();
    void OnDhcp();
    void OnStatic();
    void OnColumnClick(int column);
    void OnSearch();
    void OnSubmit();
    // Exit: frees every record and tells the receive threads to stop. The window then waits
    // for them and closes.
    void OnCancel();

    // The data exchange (see ExchangeDialogData).
    bool UpdateData(bool save);
    // Empties the Port1 edit, so a port of 0 shows as nothing rather than "0".
    void ClearPortEdit();
    const DialogData& data() const { return data_; }

private:
    void ShowLanguageTexts();
    void ShowDevice(const DeviceRecord& device);
    void SetAddressControlsEnabled(bool enabled);

    DialogView& view_;
    DeviceRows rows_;
    ListLock& lock_;
    Discovery& discovery_;
    SendRequestFunction send_request_;
    UiStringTable& strings_;
    DialogData data_;
    ColumnSort column_sort_;
};

}  // namespace norvik
