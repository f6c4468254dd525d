#include "main_dialog.h"

#include <QButtonGroup>
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
#include "dialog_template.h"
#include "dialog_units.h"
#include "ip_address_edit.h"
#include "message_box.h"
#include "qt_text.h"

namespace norvik {
namespace {

constexpr char16_t aboutItemText[] = u"About Norvik(&A)...";
// The caption a box gets that names none, as on the platform the dialog comes from.
constexpr char16_t defaultCaption[] = u"Error";

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

QWidget* makeControl(const ControlTemplate& control, QWidget* parent) {
    const QString text = toQString(control.text);
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
            auto* radio = new QRadioButton(text, parent);
            radio->setFocusPolicy(Qt::ClickFocus);
            return radio;
        }
        case ControlKind::kListView:
            return new QTreeWidget(parent);
    }
    return nullptr;
}

}  // namespace

MainDialog::MainDialog(ListLock& lock, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      lock_(lock),
      controls_(buildControls()),
      deviceList_(qobject_cast<QTreeWidget*>(controls_.at(kDeviceList))),
      openUrl_([](const QUrl& url) { QDesktopServices::openUrl(url); }),
      listRows_(deviceList_),
      shell_(lock_, *this, listRows_),
      view_(this, controls_, openUrl_) {
    shell_.AttachView(view_);
    connectControls();
    connect(&wakeup_, &UiWakeup::woken, this, [this] { shell_.OnWake(); });
}

MainDialog::~MainDialog() {
    shell_.Stop();
}

std::map<int, QWidget*> MainDialog::buildControls() {
    setObjectName("MainDialog");
    setWindowTitle(toQString(kMainDialogTitle));
    setWindowIcon(QIcon(":/norvik/norvik.png"));
    QFont font(toQString(kDialogFontFamily), kDialogFontPointSize);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    const DialogUnits units(font);
    setFixedSize(units.x(kMainDialogWidth), units.y(kMainDialogHeight));

    std::map<int, QWidget*> controls;
    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& control : kMainDialogControls) {
        QWidget* widget = makeControl(control, this);
        widget->setObjectName(toQString(control.name));
        widget->setGeometry(units.rect(control.x, control.y, control.width, control.height));
        widget->setVisible((control.style & kHidden) == 0);
        if ((control.style & kTabStop) != 0) {
            if (previousTabStop != nullptr) {
                setTabOrder(previousTabStop, widget);
            }
            previousTabStop = widget;
            // A Tab goes on from the focused widget's place in the chain, and in an address
            // control that is one of its fields: they follow the control, or a Tab from one
            // would skip controls.
            if (auto* address = qobject_cast<IpAddressEdit*>(widget)) {
                for (QLineEdit* field : address->findChildren<QLineEdit*>()) {
                    setTabOrder(previousTabStop, field);
                    previousTabStop = field;
                }
            }
        }
        controls[control.id] = widget;
    }
    // The rules set both check marks themselves, so the radio buttons share a group that is
    // not exclusive. (Made not auto-exclusive instead, Qt would tell a screen reader they are
    // check boxes.)
    auto* radios = new QButtonGroup(this);
    radios->setExclusive(false);
    radios->addButton(qobject_cast<QAbstractButton*>(controls.at(kStaticRadio)));
    radios->addButton(qobject_cast<QAbstractButton*>(controls.at(kDhcpRadio)));
    // A screen reader names a control by its label.
    for (const ControlLabel& pair : kControlLabels) {
        auto* label = qobject_cast<QLabel*>(controls.at(pair.label));
        label->setBuddy(controls.at(pair.control));
        WidgetDialogView::NameBuddy(*label);
    }
    return controls;
}

void MainDialog::connectControls() {
    deviceList_->setRootIsDecorated(false);
    deviceList_->setUniformRowHeights(true);
    deviceList_->setSortingEnabled(false);
    deviceList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    deviceList_->setColumnCount(3);
    deviceList_->header()->setSectionsClickable(true);
    deviceList_->header()->setSectionsMovable(false);
    deviceList_->header()->setStretchLastSection(false);
    deviceList_->header()->setMinimumSectionSize(0);
    deviceList_->viewport()->installEventFilter(this);

    const auto button = [this](int id) { return qobject_cast<QAbstractButton*>(controls_.at(id)); };
    connect(deviceList_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { shell_.rules().OnColumnClick(column); });
    connect(button(kDhcpRadio), &QAbstractButton::clicked, this,
            [this] { shell_.rules().OnDhcp(); });
    connect(button(kStaticRadio), &QAbstractButton::clicked, this,
            [this] { shell_.rules().OnStatic(); });
    connect(button(kSearchDeviceButton), &QAbstractButton::clicked, this,
            [this] { shell_.rules().OnSearch(); });
    connect(button(kSubmitButton), &QAbstractButton::clicked, this,
            [this] { shell_.rules().OnSubmit(); });
    connect(button(kExitButton), &QAbstractButton::clicked, this, &MainDialog::reject);
}

int MainDialog::run() {
    initialize();
    exec();
    return exitCode_;
}

void MainDialog::initialize() {
    shell_.rules().Initialize();
    deviceList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    deviceList_->setFont(fontWithCellHeight({}, kListFontCellHeight));
    controls_.at(kInstructionsText)
        ->setFont(
            fontWithCellHeight(toQString(kInstructionsFontFamily), kInstructionsFontCellHeight));
    QStringList headings;
    for (const std::u16string& heading : shell_.rules().ColumnHeadings()) {
        headings << toQString(heading);
    }
    deviceList_->setHeaderLabels(headings);
    const auto widths = DialogRules::ColumnWidths(deviceList_->width());
    for (int column = 0; column < 3; ++column) {
        deviceList_->header()->resizeSection(column, widths[static_cast<std::size_t>(column)]);
    }
    controls_.at(kIpControl)->setFocus();
}

void MainDialog::contextMenuEvent(QContextMenuEvent* event) {
    // The About item, which the platform the dialog comes from keeps in the window's menu.
    QMenu menu(this);
    menu.addAction(QString::fromUtf16(aboutItemText), this, &MainDialog::showAbout);
    menu.exec(event->globalPos());
}

void MainDialog::showAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainDialog::reject() {
    shell_.OnCancel();
}

void MainDialog::Wake() {
    wakeup_.wake();
}

void MainDialog::ShowMessageBox(std::u16string_view caption, std::u16string_view text) {
    MessageBox::show(nullptr, toQString(caption.empty() ? defaultCaption : caption),
                     toQString(text));
}

void MainDialog::EndDialog(int exitCode) {
    exitCode_ = exitCode;
    done(exitCode);
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    const bool release = event->type() == QEvent::MouseButtonRelease;
    const bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
    if (watched == deviceList_->viewport() && (release || doubleClick)) {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && release) {
            // The rules find the device by the number in the row's column 0.
            const QTreeWidgetItem* item = deviceList_->itemAt(mouse->position().toPoint());
            shell_.rules().OnListClick(item != nullptr ? fromQString(item->text(0))
                                                       : std::u16string());
        } else if (mouse->button() == Qt::LeftButton) {
            shell_.rules().OnListDoubleClick();
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace norvik
