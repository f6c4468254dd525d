#include "dialog_data.h"

#include <limits>

#include "device_text.h"
#include "dialog_template.h"
#include "utf.h"

namespace norvik {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// One run of the exchange: which way it goes, and whether a check failed.
class Exchange {
public:
    Exchange(DialogView& view, bool save) : view_(view), save_(save) {}

    bool failed() const { return failed_; }

    void Text(int id, std::u16string& value) {
        if (failed_) {
            return;
        }
        if (save_) {
            value = view_.ControlText(id);
        } else {
            view_.SetControlText(id, value);
        }
    }

    void MaxChars(int id, const std::u16string& value, int max_chars) {
        if (failed_) {
            return;
        }
        if (save_ && value.size() > static_cast<std::size_t>(max_chars)) {
            Fail(id, u"Please enter no more than " + Utf8ToUtf16(std::to_string(max_chars)) +
                         u" characters.");
            return;
        }
        view_.LimitText(id, max_chars);
    }

    void Integer(int id, int& value) {
        if (failed_) {
            return;
        }
        if (!save_) {
            view_.SetControlText(id, Utf8ToUtf16(std::to_string(value)));
            return;
        }
        const std::optional<int> read = ParseInteger(view_.ControlText(id));
        if (!read) {
            Fail(id, u"Please enter an integer.");
            return;
        }
        value = *read;
    }

    void Range(int id, int value, int min, int max) {
        if (failed_ || !save_) {
            return;
        }
        if (value < min || value > max) {
            Fail(id, Utf8ToUtf16("Please enter an integer between " + std::to_string(min) +
                                 " and " + std::to_string(max) + "."));
        }
    }

private:
    void Fail(int id, const std::u16string& message) {
        failed_ = true;
        view_.ShowMessage(kApplicationName, message, MessageIcon::kWarning);
        view_.FocusControl(id);
    }

    DialogView& view_;
    bool save_;
    bool failed_ = false;
};

}  // namespace

bool ExchangeDialogData(DialogView& view, DialogData& data, bool save) {
    if (save && data.port == 0 && ReadLeadingInteger(view.ControlText(kPort1Edit)) == 0) {
        // A port of 0 shows as an empty edit: that, or any text reading as 0, reads as 0
        // then instead of failing the exchange.
        view.SetControlText(kPort1Edit, u"0");
    }
    Exchange exchange(view, save);
    exchange.Text(kUserNameEdit, data.user_name);
    exchange.Text(kPasswordEdit, data.password);
    exchange.Text(kNameEdit, data.name);
    exchange.MaxChars(kNameEdit, data.name, kNameMaxChars);
    exchange.Text(kMacEdit, data.mac);
    exchange.Integer(kPort1Edit, data.port);
    exchange.Range(kPort1Edit, data.port, kPortMin, kPortMax);
    if (exchange.failed()) {
        return false;
    }
    if (save) {
        data.ip = view.Address(kIpControl);
        data.netmask = view.Address(kNetmaskControl);
        data.gateway = view.Address(kGatewayControl);
        data.dns1 = view.Address(kDns1Control);
        data.dns2 = view.Address(kDns2Control);
        data.dhcp = view.IsChecked(kDhcpRadio);
    }
    return true;
}

std::optional<int> ParseInteger(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    long long value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
        if (value > std::numeric_limits<int>::max() + 1LL) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

}  // namespace norvik
