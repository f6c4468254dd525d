#pragma once

// A window held in memory, for the dialog's rules to work on in tests: every control's state
// by its id, the boxes shown (questions answered from a queue), the pages opened. The device
// list's rows are the test's own (a MemoryListView given to the rules as their DeviceRows).
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "dialog_view.h"

namespace norvik::test {

class MemoryDialogView : public DialogView {
public:
    struct Control {
        std::u16string text;
        int limit = -1;  // -1: no limit set
        std::uint32_t address = 0;
        bool blank = true;  // an address control with no fields filled
        bool checked = false;
        bool visible = true;
        bool enabled = true;
    };
    struct Box {
        std::u16string caption;
        std::u16string text;
        MessageIcon icon;
        bool question;
        bool operator==(const Box&) const = default;
    };

    std::u16string ControlText(int id) const override { return Get(id).text; }
    void SetControlText(int id, std::u16string_view text) override {
        controls[id].text = text;
        texts_set.emplace_back(id, text);
    }
    void LimitText(int id, int characters) override { controls[id].limit = characters; }
    std::uint32_t Address(int id) const override { return Get(id).address; }
    void SetAddress(int id, std::uint32_t address) override {
        controls[id].address = address;
        controls[id].blank = false;
    }
    void ClearAddress(int id) override {
        controls[id].address = 0;
        controls[id].blank = true;
    }
    bool IsChecked(int id) const override { return Get(id).checked; }
    void SetChecked(int id, bool checked) override { controls[id].checked = checked; }
    void SetVisible(int id, bool visible) override { controls[id].visible = visible; }
    void SetEnabled(int id, bool enabled) override { controls[id].enabled = enabled; }
    void FocusControl(int id) override { focus = id; }

    void ShowMessage(std::u16string_view caption, std::u16string_view text,
                     MessageIcon icon) override {
        boxes.push_back({std::u16string(caption), std::u16string(text), icon, false});
    }
    bool AskOkCancel(std::u16string_view caption, std::u16string_view question) override {
        boxes.push_back(
            {std::u16string(caption), std::u16string(question), MessageIcon::kQuestion, true});
        if (answers.empty()) {
            return true;
        }
        const bool ok = answers.front();
        answers.pop_front();
        return ok;
    }
    void OpenUrl(std::u16string_view url) override { opened_urls.emplace_back(url); }

    const Control& Get(int id) const {
        static const Control kUntouched;
        const auto found = controls.find(id);
        return found == controls.end() ? kUntouched : found->second;
    }

    std::map<int, Control> controls;
    std::vector<std::pair<int, std::u16string>> texts_set;  // every SetControlText, in order
    std::vector<Box> boxes;
    std::deque<bool> answers;  // the next questions' answers: true for OK
    std::vector<std::u16string> opened_urls;
    int focus = 0;
};

}  // namespace norvik::test
