#include "main_dialog.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>

#include "about_dialog.h"
#include "dialog_units.h"
#include "ip_address_edit.h"
#include "main_dialog_template.h"
#include "message_box.h"
#include "qt_text.h"
#include "ui_string_table.h"

namespace norvik {
namespace {

constexpr char16_t kAboutItemText[] = u"About Norvik(&A)...";
constexpr char16_t kThreadErrorCaption[] = u"MSG";
constexpr char16_t kThreadErrorText[] = u"Create Rx Thread error!";
constexpr int kListFontCellHeight = 16;
constexpr QStringView kInstructionsFontFamily = u"Arial";
constexpr int kInstructionsFontCellHeight = 8;

// An edit that shows whatever is put into it in capitals, as the MAC edit's style asks.
class UpperCaseEdit : public QLineEdit {
public:
    explicit UpperCaseEdit(QWidget* parent) : QLineEdit(parent) {
        connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
            const QString upper = text.toUpper();
            if (upper != text) {
                setText(upper);
            }
        });
    }
};

QWidget* MakeControl(const ControlTemplate& control, QWidget* parent) {
    const QString text = control.text.toString();
    switch (control.kind) {
        case ControlKind::kIpAddress:
            return new IpAddressEdit(parent);
        case ControlKind::kPushButton: {
            auto* button = new QPushButton(text, parent);
            button->setDefault((control.style & kDefaultButton) != 0);
            return button;
        }
        case ControlKind::kLabel: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            return label;
        }
        case ControlKind::kEdit: {
            QLineEdit* edit = (control.style & kUpperCase) != 0 ? new UpperCaseEdit(parent)
                                                                : new QLineEdit(parent);
            edit->setAlignment(Qt::AlignCenter);
            if ((control.style & kReadOnly) != 0) {
                // Read-only edits look it: the dialog's face behind the text.
                edit->setReadOnly(true);
                QPalette palette = edit->palette();
                palette.setColor(QPalette::Base, palette.color(QPalette::Window));
                edit->setPalette(palette);
            }
            if ((control.style & kDigitsOnly) != 0) {
                edit->setValidator(
                    new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
            }
            return edit;
        }
        case ControlKind::kRadioButton: {
            // Each starts a group of its own: the handlers set both check marks themselves.
            auto* radio = new QRadioButton(text, parent);
            radio->setAutoExclusive(false);
            radio->setFocusPolicy(Qt::ClickFocus);
            return radio;
        }
        case ControlKind::kListView:
            return new QTreeWidget(parent);
    }
    return nullptr;
}

}  // namespace

// One run of the data exchange: which way it goes, and whether a check failed.
class MainDialog::DataExchange {
public:
    DataExchange(MainDialog& dialog, bool save) : dialog_(dialog), save_(save) {}

    bool failed() const { return failed_; }

    void Text(QLineEdit* edit, QString& value) {
        if (failed_) {
            return;
        }
        if (save_) {
            value = edit->text();
        } else {
            edit->setText(value);
        }
    }

    void MaxChars(QLineEdit* edit, const QString& value, int max_chars) {
        if (failed_) {
            return;
        }
        if (save_ && value.size() > max_chars) {
            Fail(edit, QString("Please enter no more than %1 characters.").arg(max_chars));
            return;
        }
        edit->setMaxLength(max_chars);
    }

    void Integer(QLineEdit* edit, int& value) {
        if (failed_) {
            return;
        }
        if (!save_) {
            edit->setText(QString::number(value));
            return;
        }
        bool ok = false;
        const int read = edit->text().trimmed().toInt(&ok);
        if (!ok) {
            Fail(edit, "Please enter an integer.");
            return;
        }
        value = read;
    }

    void Range(QLineEdit* edit, int value, int min, int max) {
        if (failed_ || !save_) {
            return;
        }
        if (value < min || value > max) {
            Fail(edit, QString("Please enter an integer between %1 and %2.").arg(min).arg(max));
        }
    }

private:
    void Fail(QLineEdit* edit, const QString& text) {
        failed_ = true;
        MessageBox::Show(&dialog_, QString::fromUtf16(DialogMessages::kApplicationName), text,
                         MessageBox::Buttons::kOk, MessageBox::Icon::kWarning);
        edit->setFocus();
        edit->selectAll();
    }

    MainDialog& dialog_;
    bool save_;
    bool failed_ = false;
};

MainDialog::MainDialog(ListLock& lock, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      lock_(lock),
      m_pLanguage(std::make_unique<LanguageLoader>(this)),
      open_url_([](const QUrl& url) { QDesktopServices::openUrl(url); }),
      messages_([this] { wakeup_.Wake(); }) {
    setObjectName("MainDialog");
    setWindowTitle(kMainDialogTitle.toString());
    m_hIcon = QIcon(":/norvik/norvik.png");
    BuildControls();
    list_view_ = std::make_unique<DeviceListView>(device_list_, [this] { wakeup_.Wake(); });
    discovery_ = std::make_unique<Discovery>(lock_, *list_view_, messages_, [this](int code) {
        failure_exit_code_ = code;
        wakeup_.Wake();
    });
    connect(&wakeup_, &UiWakeup::Woken, this, &MainDialog::OnWoken);
}

MainDialog::~MainDialog() {
    StopDiscovery();
}

template <typename Widget>
Widget* MainDialog::Control(int id) const {
    return static_cast<Widget*>(controls_.at(id));
}

void MainDialog::BuildControls() {
    QFont font(kDialogFontFamily.toString(), kDialogFontPointSize);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    const DialogUnits units(font);
    setFixedSize(units.X(kMainDialogWidth), units.Y(kMainDialogHeight));

    QWidget* previous_tab_stop = nullptr;
    for (const ControlTemplate& control : kMainDialogControls) {
        QWidget* widget = MakeControl(control, this);
        widget->setObjectName(control.object_name.toString());
        widget->setGeometry(units.Rect(control.x, control.y, control.width, control.height));
        widget->setVisible((control.style & kHidden) == 0);
        if ((control.style & kTabStop) != 0) {
            if (previous_tab_stop != nullptr) {
                setTabOrder(previous_tab_stop, widget);
            }
            previous_tab_stop = widget;
        }
        controls_[control.id] = widget;
    }
    ip_control_ = Control<IpAddressEdit>(kIpControl);
    netmask_control_ = Control<IpAddressEdit>(kNetmaskControl);
    gateway_control_ = Control<IpAddressEdit>(kGatewayControl);
    dns1_control_ = Control<IpAddressEdit>(kDns1Control);
    dns2_control_ = Control<IpAddressEdit>(kDns2Control);
    name_edit_ = Control<QLineEdit>(kNameEdit);
    mac_edit_ = Control<QLineEdit>(kMacEdit);
    port_edit_ = Control<QLineEdit>(kPort1Edit);
    user_name_edit_ = Control<QLineEdit>(kUserNameEdit);
    password_edit_ = Control<QLineEdit>(kPasswordEdit);
    static_radio_ = Control<QRadioButton>(kStaticRadio);
    dhcp_radio_ = Control<QRadioButton>(kDhcpRadio);
    instructions_ = Control<QLabel>(kInstructionsText);
    device_list_ = Control<QTreeWidget>(kDeviceList);

    device_list_->setRootIsDecorated(false);
    device_list_->setUniformRowHeights(true);
    device_list_->setSortingEnabled(false);
    device_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    device_list_->setColumnCount(3);
    device_list_->header()->setSectionsClickable(true);
    device_list_->header()->setSectionsMovable(false);
    device_list_->header()->setStretchLastSection(false);
    device_list_->header()->setMinimumSectionSize(0);
    device_list_->viewport()->installEventFilter(this);

    connect(device_list_->header(), &QHeaderView::sectionClicked, this, &MainDialog::OnColumnClick);
    connect(dhcp_radio_, &QRadioButton::clicked, this, &MainDialog::OnDhcp);
    connect(static_radio_, &QRadioButton::clicked, this, &MainDialog::OnStatic);
    connect(Control<QPushButton>(kExitButton), &QPushButton::clicked, this, &MainDialog::reject);
    connect(Control<QPushButton>(kSearchDeviceButton), &QPushButton::clicked, this,
            &MainDialog::OnSearch);
    connect(Control<QPushButton>(kSubmitButton), &QPushButton::clicked, this,
            &MainDialog::OnSubmit);
}

int MainDialog::DoModal() {
    OnInitDialog();
    exec();
    return exit_code_;
}

void MainDialog::OnInitDialog() {
    UpdateData(false);
    m_pLanguage->ApplyLanguage();
    setWindowIcon(m_hIcon);

    const Discovery::Started started = discovery_->Start();
    if (!started.pcedit_receiver) {
        MessageBox::Show(this, QString::fromUtf16(kThreadErrorCaption),
                         QString::fromUtf16(kThreadErrorText));
    }
    ClearPortEdit();
    dhcp_radio_->hide();
    static_radio_->hide();
    device_list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    device_list_->setFont(FontWithCellHeight({}, kListFontCellHeight));
    instructions_->setFont(
        FontWithCellHeight(kInstructionsFontFamily.toString(), kInstructionsFontCellHeight));

    const UiStringTable& strings = ProcessUiStringTable();
    device_list_->setHeaderLabels(
        {QString(), ToQString(strings.Text(UiStringId::ServerName)),
         ToQString(strings.Text(UiStringId::IpAddress))});
    const int w = device_list_->width();
    device_list_->header()->resizeSection(0, 0);
    device_list_->header()->resizeSection(1, w / 2 + 22);
    device_list_->header()->resizeSection(2, w / 2 - 45);
    ip_control_->setFocus();
}

void MainDialog::SetControlText(int control_id, std::u16string_view text) {
    const auto control = controls_.find(control_id);
    if (control == controls_.end()) {
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(control->second)) {
        label->setText(ToQString(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(control->second)) {
        button->setText(ToQString(text));
    }
}

bool MainDialog::UpdateData(bool save) {
    DataExchange exchange(*this, save);
    DoDataExchange(exchange);
    return !exchange.failed();
}

void MainDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Text(user_name_edit_, m_strUserName);
    exchange.Text(password_edit_, m_strPassword);
    exchange.Text(name_edit_, m_strName);
    exchange.MaxChars(name_edit_, m_strName, kNameMaxChars);
    exchange.Text(mac_edit_, m_strMac);
    exchange.Integer(port_edit_, m_nPort);
    exchange.Range(port_edit_, m_nPort, kPortMin, kPortMax);
}

void MainDialog::ClearPortEdit() {
    port_edit_->selectAll();
    port_edit_->del();
}

void MainDialog::OnSysCommand(int command) {
    if ((command & 0xFFF0) == kAboutCommand) {
        AboutDialog about(this);
        about.exec();
    }
}

void MainDialog::contextMenuEvent(QContextMenuEvent* event) {
    // Without a system menu of its own, the dialog offers the About item on a right click.
    QMenu menu(this);
    menu.addAction(QString::fromUtf16(kAboutItemText), [this] { OnSysCommand(kAboutCommand); });
    menu.exec(event->globalPos());
}

void MainDialog::reject() {
    OnCancel();
}

void MainDialog::OnCancel() {
    {
        std::lock_guard guard(lock_);
        discovery_->devices().FreeAllRecords();
        discovery_->RequestStop();
    }
    StopDiscovery();
    QDialog::reject();
}

void MainDialog::StopDiscovery() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    // A receive thread waiting for its message box to close must not keep us waiting.
    messages_.Close();
    discovery_->Stop();
}

void MainDialog::OnWoken() {
    list_view_->SyncWidget();
    messages_.ShowWaiting();
    if (const int code = failure_exit_code_.exchange(0); code != 0 && !stopped_) {
        EndForSocketFailure(code);
    }
}

void MainDialog::EndForSocketFailure(int exit_code) {
    exit_code_ = exit_code;
    StopDiscovery();
    done(exit_code);
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    const bool release = event->type() == QEvent::MouseButtonRelease;
    const bool double_click = event->type() == QEvent::MouseButtonDblClick;
    if (watched == device_list_->viewport() && (release || double_click)) {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && release) {
            const QModelIndex index = device_list_->indexAt(mouse->position().toPoint());
            OnListClick(index.isValid() ? index.row() : -1);
        } else if (mouse->button() == Qt::LeftButton) {
            OnListDoubleClick();
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace norvik
