// Every shipped language file in the Windows window, under Wine, measured with each control's
// own font: no label's, button's or radio button's text is wider than its control, no label
// needs more lines than it has room for (the instructions included), and every control lies
// inside the dialog's client area. Where a translation does not fit, the translation is
// shortened, never the layout. Run also at 144 and 192 DPI (tests/app/win32/at_dpi.sh), where
// the fonts and columns sized in pixels must follow the scale.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "dialog_test_main.h"
#include "list_lock.h"
#include "main_dialog.h"
#include "message_box.h"
#include "test_files.h"
#include "utf.h"

namespace norvik::test {
namespace {

int NoBox(HWND, std::wstring_view, const wchar_t*, UINT) {
    return IDOK;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}

// What does not fit in one control, or nothing: measured as the control draws its text, with
// the font it was given.
std::string Overflow(HWND control, ControlKind kind) {
    const std::wstring text = TextOf(control);
    RECT room{};
    GetClientRect(control, &room);
    HDC dc = GetDC(control);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(dc, font);
    std::string fault;
    if (kind == ControlKind::kLabel) {
        RECT needed{0, 0, room.right, 0};
        DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
        // In lines of this text, whose glyphs may come from a taller linked font (CJK): one
        // line always shows, a second only where the label has room for it.
        RECT one{0, 0, 0, 0};
        DrawTextW(dc, text.c_str(), 1, &one, DT_CALCRECT | DT_SINGLELINE);
        const LONG line = std::max<LONG>(1, one.bottom);
        const LONG lines = (needed.bottom + line / 2) / line;
        const LONG room_lines = std::max<LONG>(1, room.bottom / line);
        if (needed.right > room.right || lines > room_lines) {
            fault = "needs " + std::to_string(needed.right) + " px and " + std::to_string(lines) +
                    " lines, has " + std::to_string(room.right) + " px and " +
                    std::to_string(room_lines);
        }
    } else {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        // A push button draws its text inside its 3-D edge and focus rectangle; a radio
        // button beside its round box.
        const int beside = kind == ControlKind::kRadioButton
                               ? GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE)
                               : 4 * GetSystemMetrics(SM_CXEDGE);
        if (beside + size.cx > room.right) {
            fault = "needs " + std::to_string(beside + size.cx) + " px, has " +
                    std::to_string(room.right);
        }
    }
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return fault;
}

// The DPI this run is for (NORVIK_TEST_DPI, 96 without it) and the one Windows gives.
int ExpectedDpi() {
    const char* given = std::getenv("NORVIK_TEST_DPI");
    return given != nullptr ? std::atoi(given) : USER_DEFAULT_SCREEN_DPI;
}
int ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

LONG FontHeight(HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

// What of the list does not follow the DPI: its font, or a column too narrow for its heading
// (measured with the heading's font) or reaching past the list.
std::string ListOverflow(HWND list, int dpi) {
    std::string fault;
    const LONG expected_height = MulDiv(kListFontCellHeight, dpi, USER_DEFAULT_SCREEN_DPI);
    if (FontHeight(list) != expected_height) {
        fault += "list font " + std::to_string(FontHeight(list)) + " px high, not " +
                 std::to_string(expected_height) + "; ";
    }
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    HDC dc = GetDC(header);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)));
    RECT client{};
    GetClientRect(list, &client);
    int total = 0;
    for (int column = 1; column < 3; ++column) {
        wchar_t text[64] = {};
        LVCOLUMNW request{};
        request.mask = LVCF_TEXT | LVCF_WIDTH;
        request.pszText = text;
        request.cchTextMax = static_cast<int>(std::size(text));
        SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&request));
        SIZE size{};
        GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
        if (size.cx > request.cx) {
            fault += "column " + std::to_string(column) + " is " + std::to_string(request.cx) +
                     " px for a heading of " + std::to_string(size.cx) + "; ";
        }
        total += request.cx;
    }
    if (total > client.right) {
        fault += "the columns take " + std::to_string(total) + " px of " +
                 std::to_string(client.right) + "; ";
    }
    SelectObject(dc, previous);
    ReleaseDC(header, dc);
    return fault;
}

std::vector<std::filesystem::path> ShippedLanguageFiles() {
    const std::filesystem::path resources(NORVIK_RES_DIR);
    std::vector<std::filesystem::path> files{resources / "Language.ini"};
    for (const auto& entry : std::filesystem::directory_iterator(resources)) {
        if (std::filesystem::exists(entry.path() / "Language.ini")) {
            files.push_back(entry.path() / "Language.ini");
        }
    }
    return files;
}

TEST(Win32Translations, EveryTextFitsItsControl) {
    ASSERT_EQ(ScreenDpi(), ExpectedDpi()) << "Wine did not take the DPI this run is for";
    const auto files = ShippedLanguageFiles();
    ASSERT_GE(files.size(), 7U);
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        TemporaryDirectory directory;
        WriteFile(directory / "Language.ini", ReadFile(file));
        ListLock lock("");
        MainDialog dialog(lock, GetModuleHandleW(nullptr));
        HWND hwnd = nullptr;
        {
            ScopedWorkingDirectory working_directory(directory.path());
            hwnd = dialog.Create();
        }
        ASSERT_NE(hwnd, nullptr);
        RECT client{};
        GetClientRect(hwnd, &client);
        int measured = 0;
        for (const ControlTemplate& control : kMainDialogControls) {
            HWND window = GetDlgItem(hwnd, control.id);
            RECT place{};
            GetWindowRect(window, &place);
            MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&place), 2);
            const std::string name = Utf16ToUtf8(control.name);
            EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= client.right &&
                        place.bottom <= client.bottom)
                << name << " lies outside the client area";
            const bool has_text = control.kind == ControlKind::kLabel ||
                                  control.kind == ControlKind::kPushButton ||
                                  control.kind == ControlKind::kRadioButton;
            if (!has_text || (control.style & kHidden) != 0) {
                continue;
            }
            ++measured;
            EXPECT_EQ(Overflow(window, control.kind), "")
                << name << " \"" << Utf16ToUtf8(FromWide(TextOf(window))) << "\"";
        }
        EXPECT_EQ(measured, 15);
        EXPECT_EQ(ListOverflow(GetDlgItem(hwnd, kDeviceList), ExpectedDpi()), "");
        EXPECT_EQ(FontHeight(GetDlgItem(hwnd, kInstructionsText)),
                  MulDiv(kInstructionsFontCellHeight, ExpectedDpi(), USER_DEFAULT_SCREEN_DPI));
        SendMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    }
}

// Moved to a monitor of twice the scale, the window takes the size Windows suggests and its
// fonts and columns sized in pixels follow; moved back, they are as they were.
TEST(Win32Dpi, FollowsAMoveToAMonitorOfAnotherScale) {
    ListLock lock("");
    MainDialog dialog(lock, GetModuleHandleW(nullptr));
    const HWND hwnd = dialog.Create();
    ASSERT_NE(hwnd, nullptr);
    const int dpi = ScreenDpi();
    RECT before{};
    GetWindowRect(hwnd, &before);
    for (const int moved_to : {2 * dpi, dpi}) {
        SCOPED_TRACE(moved_to);
        const int scale_by = moved_to == dpi ? 1 : 2;
        RECT suggested{before.left, before.top,
                       before.left + scale_by * (before.right - before.left),
                       before.top + scale_by * (before.bottom - before.top)};
        SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(moved_to, moved_to),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT now{};
        GetWindowRect(hwnd, &now);
        EXPECT_TRUE(EqualRect(&now, &suggested));
        EXPECT_EQ(ListOverflow(GetDlgItem(hwnd, kDeviceList), moved_to), "");
        EXPECT_EQ(FontHeight(GetDlgItem(hwnd, kInstructionsText)),
                  MulDiv(kInstructionsFontCellHeight, moved_to, USER_DEFAULT_SCREEN_DPI));
    }
    SendMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace
}  // namespace norvik::test

int main(int argc, char** argv) {
    return norvik::test::RunDialogTests(argc, argv, &norvik::test::NoBox);
}
