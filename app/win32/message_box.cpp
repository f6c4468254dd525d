#include "message_box.h"

#include <string>

namespace norvik {
namespace {

MessageBoxFunction& Answerer() {
    static MessageBoxFunction answerer;
    return answerer;
}

}  // namespace

int ShowMessageBox(HWND owner, std::wstring_view text, const wchar_t* caption, UINT type) {
    if (Answerer()) {
        return Answerer()(owner, text, caption, type);
    }
    return MessageBoxW(owner, std::wstring(text).c_str(), caption, type);
}

void AnswerMessageBoxes(MessageBoxFunction answer) {
    Answerer() = std::move(answer);
}

}  // namespace norvik
