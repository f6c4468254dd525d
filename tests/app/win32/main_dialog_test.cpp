// The Windows window's dialog, created from the program's own resources in this process and
// driven by the window messages a person's clicks produce, under Wine inside the private
// network of tools/wine/norvik-wine. The dialog's shared scenarios run here too.
// winsock2.h before windows.h, and commctrl.h needs windows.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "accessible_names.h"
#include "control_class.h"
#include "dialog_rules.h"
#include "dialog_test_main.h"
#include "dialog_scenarios.h"
#include "dialog_template.h"
#include "main_dialog.h"
#include "message_box.h"
#include "report_bytes.h"
#include "resource.h"
#include "test_files.h"
#include "udp_peer.h"
#include "utf.h"
#include "wait_for.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

// Every box the dialog shows, answered as the test asks.
struct Boxes {
    struct Shown {
        HWND owner;
        std::wstring caption;  // empty: none given, Windows' default shows
        std::wstring text;
        UINT type;
    };
    std::vector<Shown> shown;
    std::deque<int> answers;  // IDOK or IDCANCEL for the next questions
};
Boxes& TheBoxes() {
    static Boxes boxes;
    return boxes;
}

int AnswerBox(HWND owner, std::wstring_view text, const wchar_t* caption, UINT type) {
    Boxes& boxes = TheBoxes();
    boxes.shown.push_back({owner, caption != nullptr ? caption : L"", std::wstring(text), type});
    if ((type & MB_TYPEMASK) == MB_OKCANCEL && !boxes.answers.empty()) {
        const int answer = boxes.answers.front();
        boxes.answers.pop_front();
        return answer;
    }
    return IDOK;
}

// Serves the thread's messages, as the dialog's message loop does, until the condition holds
// or the time is up.
template <typename Condition>
bool PumpUntil(HWND dialog, Condition condition, std::chrono::milliseconds timeout = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog == nullptr || !IsDialogMessageW(dialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        Sleep(2);
    }
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}

std::wstring ItemText(HWND list, int item, int column) {
    wchar_t text[256] = {};
    LVITEMW request{};
    request.iSubItem = column;
    request.pszText = text;
    request.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&request));
    return text;
}

// The dialog as the program makes it, without a message loop of its own.
class Dialog {
public:
    Dialog() : dialog_(lock_, GetModuleHandleW(nullptr)) {
        TheBoxes() = Boxes();
        dialog_.SetUrlOpener([this](std::wstring_view url) { urls.emplace_back(url); });
        hwnd = dialog_.Create();
    }
    bool Listening() { return dialog_.discovery().WaitUntilListening(5s); }
    HWND Control(int id) const { return GetDlgItem(hwnd, id); }
    HWND List() const { return Control(kDeviceList); }
    int RowCount() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    void Notify(NMHDR& header) {
        header.hwndFrom = List();
        header.idFrom = kDeviceList;
        SendMessageW(hwnd, WM_NOTIFY, kDeviceList, reinterpret_cast<LPARAM>(&header));
    }
    void NotifyItem(UINT code, int item) {
        NMITEMACTIVATE activate{};
        activate.hdr.code = code;
        activate.iItem = item;
        Notify(activate.hdr);
    }

    ListLock lock_{""};
    MainDialog dialog_;
    HWND hwnd = nullptr;
    std::vector<std::wstring> urls;
};

// Drives the dialog with the messages that a person's clicks and typing produce.
class Win32Driver : public DialogDriver {
public:
    explicit Win32Driver(Dialog& dialog) : d_(dialog) {}

    bool WaitForRows(int count) override {
        return PumpUntil(d_.hwnd, [&] { return d_.RowCount() == count; });
    }
    std::vector<std::u16string> Column(int column) override {
        std::vector<std::u16string> texts;
        for (int row = 0; row < d_.RowCount(); ++row) {
            texts.push_back(FromWide(ItemText(d_.List(), row, column)));
        }
        return texts;
    }
    void ClickRow(std::u16string_view name) override { d_.NotifyItem(NM_CLICK, Row(name)); }
    void ClickBelowRows() override { d_.NotifyItem(NM_CLICK, -1); }
    void DoubleClickRow(std::u16string_view name) override {
        ClickRow(name);
        d_.NotifyItem(NM_DBLCLK, Row(name));
    }
    void DoubleClickBelowRows() override {
        ClickBelowRows();
        d_.NotifyItem(NM_DBLCLK, -1);
    }
    void ClickHeading(int column) override {
        NMLISTVIEW click{};
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        d_.Notify(click.hdr);
    }
    void Click(int button_id) override { SendMessageW(d_.Control(button_id), BM_CLICK, 0, 0); }
    void Type(int edit_id, std::u16string_view text) override {
        SetWindowTextW(d_.Control(edit_id), ToWide(text).c_str());
    }
    void EnterAddress(int control_id, std::uint32_t address) override {
        SendMessageW(d_.Control(control_id), IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
    }
    std::u16string Text(int id) override { return FromWide(TextOf(d_.Control(id))); }
    std::uint32_t Address(int id) override {
        DWORD address = 0;
        SendMessageW(d_.Control(id), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
        return address;
    }
    bool IsBlank(int id) override { return SendMessageW(d_.Control(id), IPM_ISBLANK, 0, 0) != 0; }
    bool IsChecked(int id) override { return IsDlgButtonChecked(d_.hwnd, id) == BST_CHECKED; }
    bool IsVisible(int id) override {
        return (GetWindowLongW(d_.Control(id), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    bool IsEnabled(int id) override { return IsWindowEnabled(d_.Control(id)) != FALSE; }
    void AnswerNextQuestion(bool ok) override {
        TheBoxes().answers.push_back(ok ? IDOK : IDCANCEL);
    }
    std::vector<ShownBox> TakeBoxes() override {
        std::vector<ShownBox> boxes;
        for (const Boxes::Shown& box : std::exchange(TheBoxes().shown, {})) {
            // A question holds the dialog: were a click on another row possible meanwhile, OK
            // would send the values read before it to that other device.
            if ((box.type & MB_TYPEMASK) == MB_OKCANCEL) {
                EXPECT_EQ(box.owner, d_.hwnd) << "a question owned by no window";
            }
            boxes.push_back({FromWide(box.caption), FromWide(box.text)});
        }
        return boxes;
    }
    std::vector<std::u16string> TakeOpenedUrls() override {
        std::vector<std::u16string> urls;
        for (const std::wstring& url : std::exchange(d_.urls, {})) {
            urls.push_back(FromWide(url));
        }
        return urls;
    }

private:
    int Row(std::u16string_view name) {
        for (int row = 0; row < d_.RowCount(); ++row) {
            if (FromWide(ItemText(d_.List(), row, 1)) == name) {
                return row;
            }
        }
        ADD_FAILURE() << "no row shows " << Utf16ToUtf8(name);
        return -1;
    }

    Dialog& d_;
};

class Win32DialogScenarios : public testing::TestWithParam<Scenario> {};

TEST_P(Win32DialogScenarios, RunAgainstTheWindowsWindow) {
    Dialog dialog;
    ASSERT_NE(dialog.hwnd, nullptr);
    ASSERT_TRUE(dialog.Listening());
    Win32Driver driver(dialog);
    Findings findings;
    ScenarioContext context{driver, findings};
    GetParam().run(context);
    for (const std::string& failure : findings.failures()) {
        ADD_FAILURE() << failure;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Win32DialogScenarios, testing::ValuesIn(kDialogScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

std::wstring HeadingOf(HWND list, int column) {
    wchar_t text[64] = {};
    LVCOLUMNW request{};
    request.mask = LVCF_TEXT;
    request.pszText = text;
    request.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&request));
    return text;
}

LOGFONTW FontOf(HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

// The resource script holds the dialog to its template: every control with its class, place,
// size, text and style, and the dialog's title, size and font.
TEST(Win32Dialog, IsBuiltToItsTemplateAndStartsEmpty) {
    Dialog dialog;
    ASSERT_NE(dialog.hwnd, nullptr);
    ASSERT_TRUE(dialog.Listening());
    EXPECT_EQ(TextOf(dialog.hwnd), L"Norvik V3.0");
    RECT size{0, 0, kMainDialogWidth, kMainDialogHeight};
    MapDialogRect(dialog.hwnd, &size);
    RECT client;
    GetClientRect(dialog.hwnd, &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    EXPECT_STREQ(FontOf(dialog.hwnd).lfFaceName, L"Courier");
    EXPECT_NE(GetWindowLongW(dialog.hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    EXPECT_EQ(GetWindowLongW(dialog.hwnd, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
    for (const ControlTemplate& control : kMainDialogControls) {
        SCOPED_TRACE(Utf16ToUtf8(control.name));
        const HWND window = dialog.Control(control.id);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(_wcsicmp(ClassOf(window).c_str(), ClassFor(control.kind)), 0);
        // The dialog manager maps the place and the size each on its own.
        RECT expected{control.x, control.y, control.width, control.height};
        MapDialogRect(dialog.hwnd, &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT actual;
        GetWindowRect(window, &actual);
        MapWindowPoints(nullptr, dialog.hwnd, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);
        const LONG style = GetWindowLongW(window, GWL_STYLE);
        EXPECT_EQ((style & WS_TABSTOP) != 0, (control.style & kTabStop) != 0);
        if (control.kind == ControlKind::kLabel || control.kind == ControlKind::kPushButton ||
            control.kind == ControlKind::kRadioButton) {
            EXPECT_EQ(FromWide(TextOf(window)), control.text);
        }
        if (control.kind == ControlKind::kEdit) {
            EXPECT_EQ((style & ES_READONLY) != 0, (control.style & kReadOnly) != 0);
            EXPECT_EQ((style & ES_UPPERCASE) != 0, (control.style & kUpperCase) != 0);
            EXPECT_EQ((style & ES_NUMBER) != 0, (control.style & kDigitsOnly) != 0);
            EXPECT_NE(style & ES_CENTER, 0);
        }
        if (control.kind == ControlKind::kRadioButton) {
            // Each starts a group of its own, so clicking one leaves the other's mark alone.
            EXPECT_EQ(style & (BS_TYPEMASK | WS_GROUP),
                      static_cast<LONG>(BS_AUTORADIOBUTTON | WS_GROUP));
        }
    }
    EXPECT_EQ(GetWindowLongW(dialog.Control(kSubmitButton), GWL_STYLE) & BS_TYPEMASK,
              BS_DEFPUSHBUTTON);
    // Submit is the default: Enter presses it.
    EXPECT_EQ(LOWORD(SendMessageW(dialog.hwnd, DM_GETDEFID, 0, 0)), kSubmitButton);

    // How it starts: empty, with its columns, fonts, menu and icon. The empty Port1 edit and
    // the hidden radio buttons are the rules' (DialogStart).
    EXPECT_TRUE(Win32Driver(dialog).IsBlank(kIpControl));

    RECT list;
    GetWindowRect(dialog.List(), &list);
    const auto widths = DialogRules::ColumnWidths(list.right - list.left);
    const wchar_t* headings[] = {L"", L"Server Name", L"IP Address"};
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(SendMessageW(dialog.List(), LVM_GETCOLUMNWIDTH, column, 0),
                  widths[static_cast<std::size_t>(column)]);
        EXPECT_EQ(HeadingOf(dialog.List(), column), headings[column]);
    }
    EXPECT_NE(
        SendMessageW(dialog.List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT, 0);
    EXPECT_EQ(FontOf(dialog.List()).lfHeight, 16);
    EXPECT_EQ(FontOf(dialog.List()).lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(FontOf(dialog.Control(kInstructionsText)).lfHeight, 8);
    EXPECT_STREQ(FontOf(dialog.Control(kInstructionsText)).lfFaceName, L"Arial");

    // The About item after a separator at the end of the system menu.
    const HMENU menu = GetSystemMenu(dialog.hwnd, FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUT));
    wchar_t item[64] = {};
    GetMenuStringW(menu, count - 1, item, static_cast<int>(std::size(item)), MF_BYPOSITION);
    EXPECT_STREQ(item, L"About Norvik(&A)...");
    EXPECT_EQ(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));

    const auto icon = SendMessageW(dialog.hwnd, WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(icon, 0);
    EXPECT_EQ(SendMessageW(dialog.hwnd, WM_GETICON, ICON_SMALL, 0), icon);
    // Dragging the minimised window shows the same icon.
    EXPECT_EQ(SendMessageW(dialog.hwnd, WM_QUERYDRAGICON, 0, 0), icon);
}

// The About box opens for the system commands 16 to 31 and no other.
TEST(Win32Dialog, AboutOpensForItsCommandsOnly) {
    Dialog dialog;
    static std::wstring opened;
    for (const UINT command : {16u, 31u, 32u}) {
        opened.clear();
        const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
            if (const HWND about = FindWindowW(L"#32770", L"About Norvik")) {
                opened = TextOf(about);
                PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
                KillTimer(nullptr, id);
            }
        });
        SendMessageW(dialog.hwnd, WM_SYSCOMMAND, command, 0);
        PumpUntil(
            dialog.hwnd, [] { return false; }, 300ms);
        KillTimer(nullptr, timer);
        EXPECT_EQ(opened, command == 32 ? L"" : L"About Norvik") << command;
    }
}

// The dialog made in a working directory that holds this language file.
std::unique_ptr<Dialog> DialogWithLanguageFile(std::u16string_view contents) {
    TemporaryDirectory directory;
    WriteFile(directory / "Language.ini", Utf16Le(contents));
    ScopedWorkingDirectory working_directory(directory.path());
    return std::make_unique<Dialog>();
}

TEST(Win32Dialog, ALanguageFileRenamesTheControls) {
    const auto dialog = DialogWithLanguageFile(
        u"[LANGUAGE]\r\nDevice_Lists=Geräte\r\nServer_Name=Kamera\r\nExit=Ende\r\n");
    EXPECT_EQ(TextOf(dialog->Control(kDeviceListsLabel)), L"Geräte");
    EXPECT_EQ(TextOf(dialog->Control(kExitButton)), L"Ende");
    EXPECT_EQ(HeadingOf(dialog->List(), 1), L"Kamera");
}

// Every labelled control is named by its label's text for a screen reader, also after a
// language file renamed the label (Windows' own rule would read the MAC field as "Name" and an
// address control as "0.0.0.0"), and each field of an address control says which part it is.
// Under Wine the annotation service itself answers "not implemented", so the names the dialog
// gives are taken here, where they would go to it.
TEST(Win32Dialog, NamesEveryLabelledControlForAssistiveTechnology) {
    std::map<HWND, std::wstring> names;
    UseAccessibleNamer([&](HWND control, std::wstring_view name) { names[control] = name; });
    const auto dialog =
        DialogWithLanguageFile(u"[LANGUAGE]\r\nNetmask=Maske\r\nMAC=MAC-Adresse\r\n");
    UseAccessibleNamer({});
    for (const ControlLabel& pair : kControlLabels) {
        EXPECT_EQ(names[dialog->Control(pair.control)], TextOf(dialog->Control(pair.label)))
            << pair.control;
    }
    EXPECT_EQ(names[dialog->Control(kMacEdit)], L"MAC-Adresse");
    // The netmask's fields from left to right.
    std::vector<std::pair<LONG, std::wstring>> parts;
    for (HWND field = GetWindow(dialog->Control(kNetmaskControl), GW_CHILD); field != nullptr;
         field = GetWindow(field, GW_HWNDNEXT)) {
        RECT place;
        GetWindowRect(field, &place);
        parts.emplace_back(place.left, names[field]);
    }
    std::sort(parts.begin(), parts.end());
    ASSERT_EQ(parts.size(), 4U);
    for (int part = 0; part < 4; ++part) {
        EXPECT_EQ(parts[static_cast<std::size_t>(part)].second,
                  L"Maske, part " + std::to_wstring(part + 1) + L" of 4");
    }
}

TEST(Win32Dialog, ExitWithRowsFreesTheListAndStopsTheReceiveThreads) {
    Dialog dialog;
    ASSERT_TRUE(dialog.Listening());
    UdpPeer device;
    ASSERT_TRUE(device.Broadcast(PcEditReport(Device().Named("cam")), 4022));
    ASSERT_TRUE(PumpUntil(dialog.hwnd, [&] { return dialog.RowCount() == 1; }));
    Win32Driver(dialog).ClickRow(u"cam");
    SendMessageW(dialog.hwnd, WM_COMMAND, IDCANCEL, 0);  // Exit, Esc and the close box
    EXPECT_TRUE(dialog.dialog_.ended());
    EXPECT_EQ(dialog.dialog_.exit_code(), 0);
    EXPECT_TRUE(dialog.dialog_.discovery().devices().empty());
    EXPECT_EQ(dialog.dialog_.discovery().devices().selected(), nullptr);
    // No thread is left to take a report.
    ASSERT_TRUE(device.Broadcast(PcEditReport(Device().WithMacLastOctet(9)), 4022));
    PumpUntil(
        dialog.hwnd, [] { return false; }, 200ms);
    EXPECT_TRUE(dialog.dialog_.discovery().devices().empty());
}

TEST(Win32Dialog, AHeldPortEndsTheProgramWithTheBindMessage) {
    const UdpPeer holder(4023, /*share=*/false);
    ASSERT_TRUE(holder.bound());
    Dialog dialog;
    ASSERT_TRUE(PumpUntil(dialog.hwnd, [&] { return dialog.dialog_.ended(); }));
    EXPECT_EQ(dialog.dialog_.exit_code(), kSocketFailureExitCode);
    ASSERT_EQ(TheBoxes().shown.size(), 1u);
    EXPECT_EQ(TheBoxes().shown[0].text, L"ERROR:  10013 bind() failed");
    EXPECT_EQ(TheBoxes().shown[0].caption, L"");  // Windows' default caption
}

// With the Linux device simulator playing devices.txt (tests/windows starts it): a device is
// found, renamed and readdressed, and a new search shows it so.
TEST(Win32Dialog, FindsChangesAndFindsAgainWithTheSimulator) {
    if (std::getenv("NORVIK_SIMULATED_DEVICES") == nullptr) {
        GTEST_SKIP() << "the device simulator is not running";
    }
    Dialog dialog;
    Win32Driver driver(dialog);
    ASSERT_TRUE(driver.WaitForRows(4));
    driver.ClickRow(u"server-3");
    EXPECT_EQ(driver.Text(kNameEdit), u"server-3");
    driver.Type(kNameEdit, u"Archive");
    driver.EnterAddress(kIpControl, 0xC0A80163);
    driver.Click(kSubmitButton);
    // The device's answer to Submit may be in a receive loop now, and Search drops a press
    // meanwhile: press until one is taken (it empties the list before it returns).
    ASSERT_TRUE(PressUntilTaken([&] { driver.Click(kSearchDeviceButton); },
                                [&] {
                                    const std::vector<std::u16string> names = driver.Column(1);
                                    return std::find(names.begin(), names.end(), u"server-3") ==
                                           names.end();
                                },
                                [&] {
                                    PumpUntil(
                                        dialog.hwnd, [] { return false; }, 20ms);
                                }));
    ASSERT_TRUE(driver.WaitForRows(4));
    const std::vector<std::u16string> names = driver.Column(1);
    const auto archive = std::find(names.begin(), names.end(), u"Archive");
    ASSERT_NE(archive, names.end());
    EXPECT_EQ(driver.Column(2)[static_cast<std::size_t>(archive - names.begin())],
              u"192.168.001.099");
    SendMessageW(dialog.hwnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(dialog.dialog_.exit_code(), 0);
}

}  // namespace
}  // namespace norvik::test

int main(int argc, char** argv) {
    return norvik::test::RunDialogTests(argc, argv, &norvik::test::AnswerBox);
}
