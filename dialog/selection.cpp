// The device list view's commands: a click shows the device of the row, a double-click opens
// its web page, the Static and DHCP buttons switch the address controls, a heading sorts.
#include <mutex>

#include "device_text.h"
#include "dialog_rules.h"
#include "dialog_template.h"
#include "ip_address.h"
#include "web_page.h"

namespace norvik {

void DialogRules::OnListClick(std::u16string_view row_number_text) {
    const int n = ReadLeadingInteger(row_number_text);
    if (n <= 0) {
        return;
    }
    DeviceRecord device;
    {
        // The receive threads rewrite records under the lock; the copy is taken whole.
        std::lock_guard guard(lock_);
        if (rows_.list.ItemCount() == 0) {
            return;
        }
        DeviceList& devices = discovery_.devices();
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

void DialogRules::ShowDevice(const DeviceRecord& device) {
    data_.name = NameText(device.name);
    data_.port = device.http_port;
    data_.mac = MacText(device.mac);
    view_.SetAddress(kGatewayControl, PackedAddress(device.gateway));
    view_.SetAddress(kIpControl, PackedAddress(device.ip));
    view_.SetAddress(kNetmaskControl, PackedAddress(device.netmask));
    view_.SetEnabled(kDns1Control, device.dns_enabled == 1);
    view_.SetEnabled(kDns2Control, device.dns_enabled == 1);
    // Checked as the device is also while hidden: Submit reads the DHCP button, and a choice
    // left from the device shown before would switch this one's mode unasked.
    const bool dhcp = device.dhcp_on == 1;
    view_.SetChecked(kDhcpRadio, dhcp);
    view_.SetChecked(kStaticRadio, !dhcp);
    const bool choice_shown = device.dhcp_supported == 1;
    view_.SetVisible(kDhcpRadio, choice_shown);
    view_.SetVisible(kStaticRadio, choice_shown);
    SetAddressControlsEnabled(!choice_shown || !dhcp);
    view_.SetAddress(kDns1Control, PackedAddress(device.dns1));
    view_.SetAddress(kDns2Control, PackedAddress(device.dns2));
    UpdateData(false);
    if (data_.port == 0) {
        ClearPortEdit();
    }
}

void DialogRules::SetAddressControlsEnabled(bool enabled) {
    view_.SetEnabled(kNetmaskControl, enabled);
    view_.SetEnabled(kGatewayControl, enabled);
    view_.SetEnabled(kIpControl, enabled);
}

// Opens the selected device's page: the first click of the double-click selected it.
void DialogRules::OnListDoubleClick() {
    Ipv4 ip;
    int port;
    {
        std::lock_guard guard(lock_);
        const DeviceRecord* selected = discovery_.devices().selected();
        if (selected == nullptr) {
            return;
        }
        ip = selected->ip;
        port = selected->http_port;
    }
    view_.OpenUrl(WebPageAddress(ip, port));
}

void DialogRules::OnDhcp() {
    view_.SetChecked(kDhcpRadio, true);
    view_.SetChecked(kStaticRadio, false);
    SetAddressControlsEnabled(false);
}

void DialogRules::OnStatic() {
    view_.SetChecked(kDhcpRadio, false);
    view_.SetChecked(kStaticRadio, true);
    SetAddressControlsEnabled(true);
}

void DialogRules::OnColumnClick(int column) {
    {
        // The rows are the receive threads' too.
        std::lock_guard guard(lock_);
        column_sort_.OnColumnClick(rows_.list, column);
    }
    rows_.show_now();
}

}  // namespace norvik
