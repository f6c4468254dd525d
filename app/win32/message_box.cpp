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

std::wstring ApplicationName() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    name.erase(0, name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.rfind(L'.'));
}

void AnswerMessageBoxes(MessageBoxFunction answer) {
    Answerer() = std::move(answer);
}

}  // namespace norvik
