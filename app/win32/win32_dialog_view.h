#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

#include "dialog_view.h"

namespace norvik {

// The dialog's rules see the Windows window through this: its controls by their ids, its
// message boxes and the browser.
class Win32DialogView : public DialogView {
public:
    using UrlOpener = std::function<void(std::wstring_view url)>;

    explicit Win32DialogView(UrlOpener& open_url) : open_url_(open_url) {}

    void Attach(HWND dialog) { dialog_ = dialog; }

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
    HWND Control(int id) const { return GetDlgItem(dialog_, id); }

    HWND dialog_ = nullptr;
    UrlOpener& open_url_;
};

}  // namespace norvik
