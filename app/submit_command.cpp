// Submit: send the edited settings to the selected device as one PCEdit set request.
#include <QLineEdit>
#include <QRadioButton>

#include "broadcast_sender.h"
#include "device_text.h"
#include "ip_address.h"
#include "ip_address_edit.h"
#include "main_dialog.h"
#include "message_box.h"
#include "qt_text.h"
#include "set_request.h"
#include "ui_string_table.h"

namespace norvik {
namespace {

constexpr char16_t kSubnetQuestionCaption[] = u"Choice";

Ipv4 AddressOf(const IpAddressEdit* control) {
    quint32 packed = 0;
    control->GetAddress(packed);
    return UnpackedAddress(packed);
}

bool InOneSubnet(const Ipv4& ip, const Ipv4& gateway, const Ipv4& netmask) {
    for (std::size_t i = 0; i < ip.size(); ++i) {
        if ((ip[i] & netmask[i]) != (gateway[i] & netmask[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

void MainDialog::OnSubmit() {
    if (m_nPort == 0 && ParseRowNumber(FromQString(port_edit_->text())) == 0) {
        // An empty port reads as 0 then, instead of failing the data exchange.
        port_edit_->setText("0");
    }
    if (!UpdateData(true)) {
        return;
    }
    if (m_nPort == 0) {
        ClearPortEdit();
    }
    if (m_nPort < kPortMin || m_nPort > kPortMax) {
        return;
    }
    pcedit::SetValues values;
    values.name = pcedit::NameField(FromQString(m_strName));
    values.ip = AddressOf(ip_control_);
    values.netmask = AddressOf(netmask_control_);
    values.gateway = AddressOf(gateway_control_);
    values.dns1 = AddressOf(dns1_control_);
    values.dns2 = AddressOf(dns2_control_);
    values.http_port = m_nPort;
    values.dhcp = dhcp_radio_->isChecked();

    if (values.ip[3] == 0 || values.ip[3] == 255) {
        return;
    }
    if (!InOneSubnet(values.ip, values.gateway, values.netmask) &&
        values.gateway != Ipv4{0, 0, 0, 0}) {
        const QString question = ToQString(ProcessUiStringTable().Text(UiStringId::IpGatewayMismatch));
        if (MessageBox::Show(nullptr, QString::fromUtf16(kSubnetQuestionCaption), question,
                             MessageBox::Buttons::kOkCancel,
                             MessageBox::Icon::kQuestion) != MessageBox::Answer::kOk) {
            return;
        }
    }
    bool send = false;
    RequestBuffer::Bytes request;
    {
        // The receive loops rewrite the same record; they wait while it is compared and
        // updated.
        std::lock_guard guard(lock_);
        DeviceRecord* selected = discovery_->devices().selected();
        request = discovery_->pcedit_request().Update([&](pcedit::RequestBytes buffer) {
            send = pcedit::PrepareSetRequest(selected, values, buffer);
        });
    }
    if (send) {
        SendRequest(kPcEditSender, request, messages_);
    }
}

}  // namespace norvik
