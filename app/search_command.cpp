// Search Device: forget every device, empty the list and the detail controls, and broadcast
// both search requests again.
#include "broadcast_sender.h"
#include "ip_address_edit.h"
#include "main_dialog.h"
#include "pcedit.h"
#include "protocol_3297.h"

namespace norvik {

void MainDialog::OnSearch() {
    // A receive loop is busy with a datagram: the press is dropped.
    if (discovery_->receive_busy() != 0) {
        return;
    }
    RequestBuffer::Bytes pcedit_request;
    RequestBuffer::Bytes request_3297;
    {
        std::lock_guard guard(lock_);
        discovery_->devices().FreeAllRecords();
        for (int row = list_view_->ItemCount() - 1; row >= 0; --row) {
            list_view_->DeleteItem(row);
        }
        pcedit_request = discovery_->pcedit_request().Update(pcedit::PrepareSearchCommand);
        request_3297 = discovery_->request_3297().Update(p3297::BuildSearchRequest);
        m_strName.clear();
        m_strMac.clear();
        for (IpAddressEdit* control :
             {ip_control_, gateway_control_, netmask_control_, dns1_control_, dns2_control_}) {
            control->ClearAddress();
        }
        UpdateData(false);
        ClearPortEdit();
    }
    list_view_->SyncWidgetNow();
    // Sent once the lock is free again, so that a sender's message box never holds up the
    // receive loops or another running copy.
    SendRequest(kPcEditSender, pcedit_request, messages_);
    SendRequest(k3297Sender, request_3297, messages_);
}

}  // namespace norvik
