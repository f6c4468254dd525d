#pragma once

#include <QWidget>
#include <functional>
#include <map>

#include "dialog_view.h"

class QUrl;

class QLabel;

namespace norvik {

// The dialog's rules see the Qt window through this: its widgets by their template ids, its
// message boxes and the browser.
class WidgetDialogView : public DialogView {
public:
    // Names the label's buddy by the label's text for assistive technology (an address
    // control's four fields too).
    static void NameBuddy(const QLabel& label);

    WidgetDialogView(QWidget* dialog, std::map<int, QWidget*> controls,
                     std::function<void(const QUrl&)>& openUrl);

    std::u16string ControlText(int id) const override;
    void SetControlText(int id, std::u16string_view text) override;
    void LimitText(int id, int characters) override;
    std::uint32_t Address(int id) const override;
    void SetAddress(int id, std::uint32_t address) override;
    void ClearAddress(int id) override;
    bool IsChecked(int id) const override;
    void SetChecked(int id, bool checked) override;
    void SetVisible(int id, bool visible) override;
    void SetEnabled(int id, bool enabled) override;
    void FocusControl(int id) override;
    void ShowMessage(std::u16string_view caption, std::u16string_view text,
                     MessageIcon icon) override;
    bool AskOkCancel(std::u16string_view caption, std::u16string_view question) override;
    void OpenUrl(std::u16string_view url) override;

private:
    template <typename Widget>
    Widget* control(int id) const;

    QWidget* dialog_;
    std::map<int, QWidget*> controls_;
    std::function<void(const QUrl&)>& openUrl_;
};

}  // namespace norvik
