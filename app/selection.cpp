// The device list view's commands: a click shows the device of the row, a double-click opens
// its web page, the Static and DHCP buttons switch the address controls.
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>

#include "device_text.h"
#include "ip_address.h"
#include "ip_address_edit.h"
#include "main_dialog.h"
#include "qt_text.h"
#include "web_page.h"

namespace norvik {

void MainDialog::OnListClick(int row) {
    const QTreeWidgetItem* item = row >= 0 ? device_list_->topLevelItem(row) : nullptr;
    const int n = ParseRowNumber(item != nullptr ? FromQString(item->text(0)) : std::u16string());
    if (n <= 0) {
        return;
    }
    DeviceRecord device;
    {
        // The receive threads rewrite records under the lock; the copy is taken whole.
        std::lock_guard guard(lock_);
        if (list_view_->ItemCount() == 0) {
            return;
        }
        DeviceList& devices = discovery_->devices();
        if (DeviceRecord* found = devices.LookupByRowNumber(n)) {
            devices.set_selected(found);
        }
        if (devices.selected() == nullptr) {
            return;
        }
        device = *devices.selected();
    }
    ShowDevice(device);
}

void MainDialog::ShowDevice(const DeviceRecord& device) {
    m_strName = ToQString(NameText(device.name));
    m_nPort = device.http_port;
    m_strMac = ToQString(MacText(device.mac));
    gateway_control_->SetAddress(PackedAddress(device.gateway));
    ip_control_->SetAddress(PackedAddress(device.ip));
    netmask_control_->SetAddress(PackedAddress(device.netmask));
    dns1_control_->setEnabled(device.dns_enabled == 1);
    dns2_control_->setEnabled(device.dns_enabled == 1);
    if (device.dhcp_supported == 1) {
        dhcp_radio_->show();
        static_radio_->show();
        const bool dhcp = device.dhcp_on == 1;
        dhcp_radio_->setChecked(dhcp);
        static_radio_->setChecked(!dhcp);
        SetAddressControlsEnabled(!dhcp);
    } else {
        dhcp_radio_->hide();
        static_radio_->hide();
        SetAddressControlsEnabled(true);
    }
    dns1_control_->SetAddress(PackedAddress(device.dns1));
    dns2_control_->SetAddress(PackedAddress(device.dns2));
    UpdateData(false);
    if (m_nPort == 0) {
        ClearPortEdit();
    }
}

void MainDialog::SetAddressControlsEnabled(bool enabled) {
    netmask_control_->setEnabled(enabled);
    gateway_control_->setEnabled(enabled);
    ip_control_->setEnabled(enabled);
}

// Opens the selected device's page: the first click of the double-click selected it.
void MainDialog::OnListDoubleClick() {
    Ipv4 ip;
    int port;
    {
        std::lock_guard guard(lock_);
        const DeviceRecord* selected = discovery_->devices().selected();
        if (selected == nullptr) {
            return;
        }
        ip = selected->ip;
        port = selected->http_port;
    }
    open_url_(QUrl(WebPageAddress(ip, port)));
}

void MainDialog::OnDhcp() {
    dhcp_radio_->setChecked(true);
    static_radio_->setChecked(false);
    SetAddressControlsEnabled(false);
}

void MainDialog::OnStatic() {
    dhcp_radio_->setChecked(false);
    static_radio_->setChecked(true);
    SetAddressControlsEnabled(true);
}

void MainDialog::OnColumnClick(int column) {
    {
        std::lock_guard guard(lock_);
        column_sort_.OnColumnClick(*list_view_, column);
    }
    list_view_->SyncWidgetNow();
}

}  // namespace norvik
