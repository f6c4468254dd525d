#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QUrl>
#include <atomic>
#include <functional>
#include <map>
#include <memory>

#include "column_sort.h"
#include "device_list_view.h"
#include "device_record.h"
#include "dialog_messages.h"
#include "dialog_texts.h"
#include "discovery.h"
#include "language_loader.h"
#include "list_lock.h"
#include "ui_wakeup.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace norvik {

class IpAddressEdit;

// The main window: the device list on the left, the picked device's network settings on the
// right, and the commands below. It starts the two receive threads when it initialises and
// stops them when it closes.
class MainDialog : public QDialog, public DialogTexts {
    Q_OBJECT

public:
    // The Name edit takes at most this many characters.
    static constexpr int kNameMaxChars = 31;
    static constexpr int kPortMin = 0;
    static constexpr int kPortMax = 65536;
    // The About item's command, and the range of commands that open the About box.
    static constexpr int kAboutCommand = 0x0010;

    explicit MainDialog(ListLock& lock, QWidget* parent = nullptr);
    ~MainDialog() override;

    // OnInitDialog, then the dialog until it ends. Returns the process's exit code: 0, or the
    // code of a receive socket that could not be set up.
    int DoModal();
    void OnInitDialog();
    void OnSysCommand(int command);

    // Data exchange between the controls and the members below; false when a save failed
    // (the person has been told, and the focus is on the control concerned).
    bool UpdateData(bool save);
    // Empties the Port1 edit, so a port of 0 shows as nothing rather than "0".
    void ClearPortEdit();

    void SetControlText(int control_id, std::u16string_view text) override;

    Discovery& discovery() { return *discovery_; }
    int exit_code() const { return exit_code_; }
    // How the web page is opened; the desktop's browser unless a test looks instead.
    void SetUrlOpener(std::function<void(const QUrl&)> open) { open_url_ = std::move(open); }

    QString m_strName;
    QString m_strUserName;
    QString m_strPassword;
    QString m_strMac;
    int m_nPort = 0;
    QIcon m_hIcon;

protected:
    void reject() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class DataExchange;

    void BuildControls();
    void DoDataExchange(DataExchange& exchange);
    void OnCancel();
    void EndForSocketFailure(int exit_code);
    // What the receive threads asked of the user-interface thread.
    void OnWoken();
    void StopDiscovery();

    // The device list view's commands (selection and web page, sorting).
    void OnListClick(int row);
    void OnListDoubleClick();
    void OnDhcp();
    void OnStatic();
    void OnColumnClick(int column);
    void OnSearch();
    void OnSubmit();
    void ShowDevice(const DeviceRecord& device);
    void SetAddressControlsEnabled(bool enabled);

    template <typename Widget>
    Widget* Control(int id) const;

    ListLock& lock_;
    std::unique_ptr<LanguageLoader> m_pLanguage;
    std::map<int, QWidget*> controls_;
    IpAddressEdit* ip_control_ = nullptr;
    IpAddressEdit* netmask_control_ = nullptr;
    IpAddressEdit* gateway_control_ = nullptr;
    IpAddressEdit* dns1_control_ = nullptr;
    IpAddressEdit* dns2_control_ = nullptr;
    QLineEdit* name_edit_ = nullptr;
    QLineEdit* mac_edit_ = nullptr;
    QLineEdit* port_edit_ = nullptr;
    QLineEdit* user_name_edit_ = nullptr;
    QLineEdit* password_edit_ = nullptr;
    QRadioButton* static_radio_ = nullptr;
    QRadioButton* dhcp_radio_ = nullptr;
    QTreeWidget* device_list_ = nullptr;
    QLabel* instructions_ = nullptr;

    ColumnSort column_sort_;
    std::function<void(const QUrl&)> open_url_;
    int exit_code_ = 0;
    bool stopped_ = false;

    // Declared last: the receive threads stop before what they use goes away.
    UiWakeup wakeup_;
    std::atomic<int> failure_exit_code_{0};  // set by a receive thread whose socket failed
    DialogMessages messages_;
    std::unique_ptr<DeviceListView> list_view_;
    std::unique_ptr<Discovery> discovery_;
};

}  // namespace norvik
