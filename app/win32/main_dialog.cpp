#include "main_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "about_dialog.h"
#include "accessible_names.h"
#include "dialog_template.h"
#include "message_box.h"
#include "resource.h"
#include "utf.h"

namespace norvik {
namespace {

// Posted by any thread to have the user-interface thread take what waits for it.
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT kAboutCommandMask = 0xFFF0;

std::wstring LoadText(HINSTANCE instance, UINT id) {
    const wchar_t* text = nullptr;
    // With a zero length LoadStringW points into the resource instead of copying.
    const int length = LoadStringW(instance, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

// The window's DPI: its monitor's on Windows 10 and later, the system's before.
UINT WindowDpi(HWND hwnd) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (get_dpi_for_window != nullptr) {
        if (const UINT dpi = get_dpi_for_window(hwnd); dpi != 0) {
            return dpi;
        }
    }
    const HDC dc = GetDC(hwnd);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(hwnd, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// A cell height given in pixels at 96 DPI, asked for at the window's DPI.
HFONT CreateCellHeightFont(int cell_height, UINT dpi, const wchar_t* face, BYTE charset) {
    LOGFONTW font{};
    font.lfHeight = MulDiv(cell_height, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    font.lfCharSet = charset;
    if (face != nullptr) {
        wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    }
    return CreateFontIndirectW(&font);
}

}  // namespace

MainDialog::MainDialog(ListLock& lock, HINSTANCE instance)
    : lock_(lock),
      instance_(instance),
      icon_(LoadIconW(instance, MAKEINTRESOURCEW(IDI_NORVIK))),
      open_url_([](std::wstring_view url) {
          ShellExecuteW(nullptr, L"open", std::wstring(url).c_str(), nullptr, nullptr,
                        SW_SHOWNORMAL);
      }),
      shell_(lock_, *this, list_rows_),
      view_(open_url_) {
    shell_.AttachView(view_);
}

MainDialog::~MainDialog() {
    shell_.Stop();
    if (hwnd_ != nullptr && !modal_) {
        DestroyWindow(hwnd_);
    }
    // The fonts outlive the controls that used them.
    DeleteObject(list_font_);
    DeleteObject(instructions_font_);
}

int MainDialog::DoModal() {
    modal_ = true;
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), nullptr, &DialogProc,
                    reinterpret_cast<LPARAM>(this));
    return exit_code_;
}

HWND MainDialog::Create() {
    return CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), nullptr, &DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void MainDialog::Wake() {
    if (const HWND hwnd = hwnd_) {
        PostMessageW(hwnd, kWakeMessage, 0, 0);
    }
}

INT_PTR CALLBACK MainDialog::DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
        auto* dialog = reinterpret_cast<MainDialog*>(lparam);
        dialog->hwnd_ = hwnd;
        dialog->view_.Attach(hwnd);
        dialog->list_rows_.Attach(GetDlgItem(hwnd, kDeviceList));
    }
    auto* dialog = reinterpret_cast<MainDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    return dialog != nullptr ? dialog->OnMessage(message, wparam, lparam) : FALSE;
}

INT_PTR MainDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return TRUE;
        case WM_NOTIFY:
            OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_SYSCOMMAND:
            return OnSysCommand(static_cast<UINT>(wparam)) ? TRUE : FALSE;
        case WM_PAINT:
            return OnPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        case kWakeMessage:
            shell_.OnWake();
            return TRUE;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL MainDialog::OnInitDialog() {
    // The data exchange's first load, the language file, the receive threads.
    shell_.rules().Initialize();
    NameLabelledControls();
    if (HMENU system_menu = GetSystemMenu(hwnd_, FALSE)) {
        const std::wstring about = LoadText(instance_, IDS_ABOUT_ITEM);
        if (!about.empty()) {
            AppendMenuW(system_menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(system_menu, MF_STRING, IDM_ABOUT, about.c_str());
        }
    }
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    const HWND list = GetDlgItem(hwnd_, kDeviceList);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const auto headings = shell_.rules().ColumnHeadings();
    for (int column = 0; column < 3; ++column) {
        std::wstring heading = ToWide(headings[static_cast<std::size_t>(column)]);
        LVCOLUMNW description{};
        description.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
        description.fmt = LVCFMT_LEFT;
        description.pszText = heading.data();
        description.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&description));
    }
    FollowDpi(WindowDpi(hwnd_));
    return TRUE;  // the focus goes to the first control in tab order: the IP control
}

void MainDialog::NameLabelledControls() {
    for (const ControlLabel& pair : kControlLabels) {
        wchar_t name[300] = {};
        GetDlgItemTextW(hwnd_, pair.label, name, static_cast<int>(std::size(name)));
        const HWND control = GetDlgItem(hwnd_, pair.control);
        NameForAssistiveTechnology(control, name);
        if (std::wstring class_name(32, L'\0');
            GetClassNameW(control, class_name.data(), static_cast<int>(class_name.size())) > 0 &&
            class_name.c_str() == std::wstring_view(WC_IPADDRESSW)) {
            // The address control's four fields, named from left to right.
            std::vector<std::pair<LONG, HWND>> fields;
            for (HWND field = GetWindow(control, GW_CHILD); field != nullptr;
                 field = GetWindow(field, GW_HWNDNEXT)) {
                RECT place;
                GetWindowRect(field, &place);
                fields.emplace_back(place.left, field);
            }
            std::sort(fields.begin(), fields.end());
            for (std::size_t part = 0; part < fields.size(); ++part) {
                NameForAssistiveTechnology(fields[part].second,
                                           AddressPartName(name, static_cast<int>(part)));
            }
        }
    }
}

void MainDialog::FollowDpi(UINT dpi) {
    // The dialog's own font and its controls' places come from the template, which Windows
    // scales; these fonts and the columns are in pixels, so they are made again for the DPI.
    const HWND list = GetDlgItem(hwnd_, kDeviceList);
    const HFONT old_list_font = list_font_;
    const HFONT old_instructions_font = instructions_font_;
    // The list's face is the platform's choice.
    list_font_ = CreateCellHeightFont(kListFontCellHeight, dpi, nullptr, DEFAULT_CHARSET);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(list_font_), TRUE);
    const std::wstring instructions_face = ToWide(kInstructionsFontFamily);
    instructions_font_ = CreateCellHeightFont(kInstructionsFontCellHeight, dpi,
                                              instructions_face.c_str(), ANSI_CHARSET);
    SendDlgItemMessageW(hwnd_, kInstructionsText, WM_SETFONT,
                        reinterpret_cast<WPARAM>(instructions_font_), TRUE);
    DeleteObject(old_list_font);
    DeleteObject(old_instructions_font);
    for (int column = 0; column < 3; ++column) {
        SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                     ColumnWidthAtDpi(list, column, dpi));
    }
}

int MainDialog::ColumnWidthAtDpi(HWND list, int column, UINT dpi) {
    RECT list_rect;
    GetWindowRect(list, &list_rect);
    // The rules' widths are for 96 DPI: asked for the list's width there, then scaled.
    const int width = MulDiv(list_rect.right - list_rect.left, USER_DEFAULT_SCREEN_DPI,
                             static_cast<int>(dpi));
    return MulDiv(DialogRules::ColumnWidths(width)[static_cast<std::size_t>(column)],
                  static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

void MainDialog::OnDpiChanged(UINT dpi, const RECT& suggested) {
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FollowDpi(dpi);
}

void MainDialog::OnCommand(int id, int code) {
    if (id == IDCANCEL) {  // the Exit button, Esc and the close box
        shell_.OnCancel();
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
        case kSubmitButton:
            shell_.rules().OnSubmit();
            break;
        case kSearchDeviceButton:
            shell_.rules().OnSearch();
            break;
        case kDhcpRadio:
            shell_.rules().OnDhcp();
            break;
        case kStaticRadio:
            shell_.rules().OnStatic();
            break;
        default:
            break;  // IDOK among them: the dialog has no OK command
    }
}

void MainDialog::OnNotify(const NMHDR& header) {
    if (header.idFrom != static_cast<UINT_PTR>(kDeviceList)) {
        return;
    }
    switch (header.code) {
        case NM_CLICK: {
            // The rules find the device by the number in the row's column 0.
            const int item = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
            std::u16string number;
            if (item >= 0) {
                wchar_t text[16] = {};
                LVITEMW request{};
                request.iSubItem = 0;
                request.pszText = text;
                request.cchTextMax = static_cast<int>(std::size(text));
                SendMessageW(header.hwndFrom, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                             reinterpret_cast<LPARAM>(&request));
                number = FromWide(text);
            }
            shell_.rules().OnListClick(number);
            break;
        }
        case NM_DBLCLK:
            shell_.rules().OnListDoubleClick();
            break;
        case LVN_COLUMNCLICK:
            shell_.rules().OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            break;
        default:
            break;
    }
}

bool MainDialog::OnSysCommand(UINT command) {
    if ((command & kAboutCommandMask) != IDM_ABOUT) {
        return false;  // moving, sizing, closing and the rest as Windows does them
    }
    ShowAboutDialog(instance_, hwnd_);
    return true;
}

bool MainDialog::OnPaint() {
    if (!IsIconic(hwnd_)) {
        return false;
    }
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(hwnd_, &paint);
    SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int icon_width = GetSystemMetrics(SM_CXICON);
    const int icon_height = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(hwnd_, &client);
    DrawIcon(dc, (client.right - client.left - icon_width + 1) / 2,
             (client.bottom - client.top - icon_height + 1) / 2, icon_);
    EndPaint(hwnd_, &paint);
    return true;
}

void MainDialog::ShowMessageBox(std::u16string_view caption, std::u16string_view text) {
    // No caption: Windows shows its default one.
    const std::wstring wide_caption = ToWide(caption);
    norvik::ShowMessageBox(nullptr, ToWide(text), caption.empty() ? nullptr : wide_caption.c_str(),
                           MB_OK);
}

void MainDialog::EndDialog(int exit_code) {
    exit_code_ = exit_code;
    ended_ = true;
    if (modal_) {
        ::EndDialog(hwnd_, IDCANCEL);
    } else {
        ShowWindow(hwnd_, SW_HIDE);
    }
}

}  // namespace norvik
