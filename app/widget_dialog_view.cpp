#include "widget_dialog_view.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

#include "ip_address_edit.h"
#include "message_box.h"
#include "qt_text.h"

namespace norvik {

WidgetDialogView::WidgetDialogView(QWidget* dialog, std::map<int, QWidget*> controls,
                                   std::function<void(const QUrl&)>& openUrl)
    : dialog_(dialog), controls_(std::move(controls)), openUrl_(openUrl) {}

template <typename Widget>
Widget* WidgetDialogView::control(int id) const {
    return qobject_cast<Widget*>(controls_.at(id));
}

std::u16string WidgetDialogView::ControlText(int id) const {
    if (auto* edit = control<QLineEdit>(id)) {
        return fromQString(edit->text());
    }
    if (auto* label = control<QLabel>(id)) {
        return fromQString(label->text());
    }
    if (auto* button = control<QAbstractButton>(id)) {
        return fromQString(button->text());
    }
    return {};
}

void WidgetDialogView::NameBuddy(const QLabel& label) {
    if (auto* address = qobject_cast<IpAddressEdit*>(label.buddy())) {
        address->setAccessibleNames(label.text());
    } else if (label.buddy() != nullptr) {
        label.buddy()->setAccessibleName(label.text());
    }
}

void WidgetDialogView::SetControlText(int id, std::u16string_view text) {
    if (auto* edit = control<QLineEdit>(id)) {
        edit->setText(toQString(text));
    } else if (auto* label = control<QLabel>(id)) {
        label->setText(toQString(text));
        NameBuddy(*label);
    } else if (auto* button = control<QAbstractButton>(id)) {
        button->setText(toQString(text));
    }
}

void WidgetDialogView::LimitText(int id, int characters) {
    control<QLineEdit>(id)->setMaxLength(characters);
}

std::uint32_t WidgetDialogView::Address(int id) const {
    return control<IpAddressEdit>(id)->address();
}

void WidgetDialogView::SetAddress(int id, std::uint32_t address) {
    control<IpAddressEdit>(id)->setAddress(address);
}

void WidgetDialogView::ClearAddress(int id) {
    control<IpAddressEdit>(id)->clearAddress();
}

bool WidgetDialogView::IsChecked(int id) const {
    return control<QAbstractButton>(id)->isChecked();
}

void WidgetDialogView::SetChecked(int id, bool checked) {
    control<QAbstractButton>(id)->setChecked(checked);
}

void WidgetDialogView::SetVisible(int id, bool visible) {
    controls_.at(id)->setVisible(visible);
}

void WidgetDialogView::SetEnabled(int id, bool enabled) {
    controls_.at(id)->setEnabled(enabled);
}

void WidgetDialogView::FocusControl(int id) {
    QWidget* widget = controls_.at(id);
    widget->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->selectAll();
    }
}

void WidgetDialogView::ShowMessage(std::u16string_view caption, std::u16string_view text,
                                   MessageIcon icon) {
    MessageBox::show(dialog_, toQString(caption), toQString(text), MessageBox::Buttons::Ok,
                     icon == MessageIcon::kWarning    ? MessageBox::Icon::Warning
                     : icon == MessageIcon::kQuestion ? MessageBox::Icon::Question
                                                      : MessageBox::Icon::None);
}

bool WidgetDialogView::AskOkCancel(std::u16string_view caption, std::u16string_view question) {
    // A box of its own, owned by no window; exec() makes it modal to the whole program, so
    // the rows cannot be clicked while it asks.
    return MessageBox::show(nullptr, toQString(caption), toQString(question),
                            MessageBox::Buttons::OkCancel,
                            MessageBox::Icon::Question) == MessageBox::Answer::Ok;
}

void WidgetDialogView::OpenUrl(std::u16string_view url) {
    openUrl_(QUrl(toQString(url)));
}

}  // namespace norvik
