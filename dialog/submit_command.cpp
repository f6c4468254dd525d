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
    if (!UpdateData(true)) {
        return;
    }
    if (data_.port == 0) {
        ClearPortEdit();
    }
    pcedit::SetValues values;
    values.name = pcedit::NameField(data_.name);
    values.ip = UnpackedAddress(data_.ip);
    values.netmask = UnpackedAddress(data_.netmask);
    values.gateway = UnpackedAddress(data_.gateway);
    values.dns1 = UnpackedAddress(data_.dns1);
    values.dns2 = UnpackedAddress(data_.dns2);
    values.http_port = data_.port;
    values.dhcp = data_.dhcp;

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
            // A name that is not UTF-8 shows with U+FFFD. While the edit still shows it so,
            // the device keeps its own bytes: an edited address must not rename it too.
            const DeviceRecord* selected = discovery_.devices().selected();
            if (selected != nullptr && data_.name == NameText(selected->name)) {
                values.name = selected->name;
            }
            send = pcedit::PrepareSetRequest(discovery_.devices(), values, buffer);
        });
    }
    if (send) {
        send_request_(kPcEditSender, request);
    }
}

}  // namespace norvik
