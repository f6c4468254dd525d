// Search Device: forget every device, empty the list and the detail controls, and broadcast
// both search requests again.
#include <mutex>

#include "dialog_rules.h"
#include "dialog_template.h"
#include "pcedit.h"
#include "protocol_3297.h"

namespace norvik {

void DialogRules::OnSearch() {
    // A receive loop is busy with a datagram: the press is dropped.
    if (discovery_.receive_busy() != 0) {
        return;
    }
    RequestBuffer::Bytes pcedit_request;
    RequestBuffer::Bytes request_3297;
    {
        std::lock_guard guard(lock_);
        discovery_.devices().FreeAllRecords();
        if (rows_.list.ItemCount() > 0) {
            rows_.list.DeleteAllItems();
        }
        pcedit_request = discovery_.pcedit_request().Update(pcedit::PrepareSearchCommand);
        request_3297 = discovery_.request_3297().Update(p3297::BuildSearchRequest);
        data_.name.clear();
        data_.mac.clear();
        for (const int control :
             {kIpControl, kGatewayControl, kNetmaskControl, kDns1Control, kDns2Control}) {
            view_.ClearAddress(control);
        }
        UpdateData(false);
        ClearPortEdit();
    }
    rows_.show_now();
    // Sent once the lock is free again, so that a sender's message box never holds up the
    // receive loops or another running copy.
    send_request_(kPcEditSender, pcedit_request);
    send_request_(k3297Sender, request_3297);
}

}  // namespace norvik
