// Submit: send the edited settings to the selected device as one PCEdit set request.
#include <mutex>

#include "device_text.h"
#include "dialog_rules.h"
#include "dialog_template.h"
#include "ip_address.h"
#include "set_request.h"

namespace norvik {
namespace {

constexpr std::u16string_view kSubnetQuestionCaption = u"Choice";

bool InOneSubnet(const Ipv4& ip, const Ipv4& gateway, const Ipv4& netmask) {
    for (std::size_t i = 0; i < ip.size(); ++i) {
        if ((ip[i] & netmask[i]) != (gateway[i] & netmask[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

void DialogRules::OnSubmit() {
    if (data_.port == 0 && ReadLeadingInteger(view_.ControlText(kPort1Edit)) == 0) {
        // An empty port reads as 0 then, instead of failing the data exchange.
        view_.SetControlText(kPort1Edit, u"0");
    }
    if (!UpdateData(true)) {
        return;
    }
    if (data_.port == 0) {
        ClearPortEdit();
    }
    pcedit::SetValues values;
    values.name = pcedit::NameField(data_.name);
    values.ip = UnpackedAddress(view_.Address(kIpControl));
    values.netmask = UnpackedAddress(view_.Address(kNetmaskControl));
    values.gateway = UnpackedAddress(view_.Address(kGatewayControl));
    values.dns1 = UnpackedAddress(view_.Address(kDns1Control));
    values.dns2 = UnpackedAddress(view_.Address(kDns2Control));
    values.http_port = data_.port;
    values.dhcp = view_.IsChecked(kDhcpRadio);

    if (values.ip[3] == 0 || values.ip[3] == 255) {
        return;
    }
    if (!InOneSubnet(values.ip, values.gateway, values.netmask) &&
        values.gateway != Ipv4{0, 0, 0, 0} &&
        !view_.AskOkCancel(kSubnetQuestionCaption, strings_.Text(UiStringId::IpGatewayMismatch))) {
        return;
    }
    bool send = false;
    RequestBuffer::Bytes request;
    {
        // The receive loops rewrite the same record; they wait while it is compared and
        // updated.
        std::lock_guard guard(lock_);
        request = discovery_.pcedit_request().Update([&](pcedit::RequestBytes buffer) {
            send = pcedit::PrepareSetRequest(discovery_.devices(), values, buffer);
        });
    }
    if (send) {
        send_request_(kPcEditSender, request);
    }
}

}  // namespace norvik
