#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace norvik {

enum class MessageIcon { kNone, kQuestion, kWarning };

// What the dialog's rules need of a window: its controls, named by their template ids
// (dialog_template.h), its message boxes and the browser. The device list's rows are not the
// window's: the shell hands them to the rules (DeviceRows). Each window
// (Qt on Linux, Win32 on Windows) implements it over its own controls; tests keep it in memory.
// User-interface thread only.
class DialogView {
public:
    virtual ~DialogView() = default;

    // The text of an edit, label or button.
    virtual std::u16string ControlText(int id) const = 0;
    virtual void SetControlText(int id, std::u16string_view text) = 0;
    // An edit takes no more than this many characters from the keyboard.
    virtual void LimitText(int id, int characters) = 0;
    // IP address controls take and give a.b.c.d as (a << 24) | (b << 16) | (c << 8) | d; a
    // blank control gives 0.
    virtual std::uint32_t Address(int id) const = 0;
    virtual void SetAddress(int id, std::uint32_t address) = 0;
    // Leaves all four fields blank.
    virtual void ClearAddress(int id) = 0;
    virtual bool IsChecked(int id) const = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    virtual void SetVisible(int id, bool visible) = 0;
    virtual void SetEnabled(int id, bool enabled) = 0;
    // Puts the focus on a control and selects its text, for the person to correct it.
    virtual void FocusControl(int id) = 0;

    // A modal box with an OK button; returns when it is closed.
    virtual void ShowMessage(std::u16string_view caption, std::u16string_view text,
                             MessageIcon icon) = 0;
    // A modal question with OK and Cancel and the question icon; true for OK.
    virtual bool AskOkCancel(std::u16string_view caption, std::u16string_view question) = 0;
    // Opens an address in the person's web browser.
    virtual void OpenUrl(std::u16string_view url) = 0;
};

}  // namespace norvik
