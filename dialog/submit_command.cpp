// Submit: send the edited settings to the selected device as one PCEdit set request.
#include <mutex>

#include "device_text.h"
#include "dialog_rules.h"
#include "dialog_template.h"
#include "ip_address.h"
#include "set_request.h"
#include "submit_checks.h"

namespace norvik {
namespace {

constexpr std::u16string_view kSubnetQuestionCaption = u"Choice";

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

    if (RefusedAddress(values.ip)) {
        return;
    }
    if (NeedsSubnetQuestion(values) &&
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
