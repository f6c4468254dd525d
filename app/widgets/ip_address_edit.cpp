#include "ip_address_edit.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOptionFrame>

#include <cstdlib>

namespace norvik {
namespace {

constexpr int kMaxOctet = 255;
constexpr int kMaxDigits = 3;
// Room a frameless QLineEdit keeps around its text (2 px each side) plus the caret.
constexpr int kFieldTextPadding = 6;

bool isAsciiDigit(QChar character) {
    return character >= u'0' && character <= u'9';
}

}  // namespace

// One octet: a borderless, centred line edit that hands the keys that cross fields, and
// everything the user types, to the control.
class IpAddressEdit::OctetField : public QLineEdit {
public:
    OctetField(IpAddressEdit* owner, int index) : QLineEdit(owner), owner_(owner), index_(index) {
        setObjectName(QStringLiteral("octet%1").arg(index));
        setFrame(false);
        // The control paints the one panel behind all four fields and the dots.
        QPalette see_through = palette();
        see_through.setColor(QPalette::Base, Qt::transparent);
        setPalette(see_through);
        setAlignment(Qt::AlignCenter);
        setMaxLength(kMaxDigits);
        // Typing goes through the control; this guards paste and drop.
        setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(kMaxDigits)), this));
        setAttribute(Qt::WA_InputMethodEnabled, false);
        // Not a tab stop of its own: the control is the one tab stop.
        setFocusPolicy(Qt::ClickFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }

    QSize minimumSizeHint() const override {
        return {fontMetrics().horizontalAdvance(QStringLiteral("255")) + kFieldTextPadding,
                QLineEdit::minimumSizeHint().height()};
    }
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!owner_->handleFieldKey(index_, event)) {
            QLineEdit::keyPressEvent(event);
        }
    }
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        owner_->update();  // the frame shows the focus
    }
    void focusOutEvent(QFocusEvent* event) override {
        owner_->clampField(index_);
        QLineEdit::focusOutEvent(event);
        owner_->update();
    }

private:
    IpAddressEdit* owner_;
    int index_;
};

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* layout = new QHBoxLayout(this);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    layout->setContentsMargins(frame, frame, frame, frame);
    layout->setSpacing(0);
    for (int i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            dot->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
            layout->addWidget(dot);
        }
        fields_[i] = new OctetField(this, i);
        layout->addWidget(fields_[i], 1);
    }
}

void IpAddressEdit::setAddress(quint32 address) {
    for (int i = 0; i < kFieldCount; ++i) {
        const int shift = 8 * (kFieldCount - 1 - i);
        fields_[i]->setText(QString::number((address >> shift) & 0xFFu));
    }
}

void IpAddressEdit::clearAddress() {
    for (OctetField* field : fields_) {
        field->clear();
    }
}

void IpAddressEdit::setAccessibleNames(const QString& name) {
    setAccessibleName(name);
    for (int i = 0; i < kFieldCount; ++i) {
        fields_[i]->setAccessibleName(
            QStringLiteral("%1, part %2 of %3").arg(name).arg(i + 1).arg(kFieldCount));
    }
}

quint32 IpAddressEdit::address() const {
    quint32 address = 0;
    for (const OctetField* field : fields_) {
        // A pasted value may still be above 255 until the field loses the focus.
        address = address << 8 | static_cast<quint32>(qMin(field->text().toInt(), kMaxOctet));
    }
    return address;
}

int IpAddressEdit::filledFieldCount() const {
    int filled = 0;
    for (const OctetField* field : fields_) {
        filled += field->text().isEmpty() ? 0 : 1;
    }
    return filled;
}

void IpAddressEdit::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QStyleOptionFrame panel;
    panel.initFrom(this);
    panel.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, this);
    panel.midLineWidth = 0;
    panel.state |= QStyle::State_Sunken;
    if (anyFieldHasFocus()) {
        panel.state |= QStyle::State_HasFocus;
    }
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
}

void IpAddressEdit::focusInEvent(QFocusEvent* event) {
    // The control only passes the focus on: Tab selects the first field's text, as it would
    // in a plain edit.
    fields_[0]->setFocus(event->reason());
}

void IpAddressEdit::mousePressEvent(QMouseEvent* event) {
    // A click on a dot or the margin goes to the nearest field.
    const int x = qRound(event->position().x());
    int nearest = 0;
    for (int i = 1; i < kFieldCount; ++i) {
        if (std::abs(fields_[i]->geometry().center().x() - x) <
            std::abs(fields_[nearest]->geometry().center().x() - x)) {
            nearest = i;
        }
    }
    focusField(nearest, Caret::AtEnd);
}

bool IpAddressEdit::focusNextPrevChild(bool next) {
    // The fields take no tab focus, so the only stop inside the control is the control
    // itself; taking it out of the chain for this one step lets Shift+Tab leave backwards.
    const Qt::FocusPolicy policy = focusPolicy();
    setFocusPolicy(Qt::NoFocus);
    const bool moved = QWidget::focusNextPrevChild(next);
    setFocusPolicy(policy);
    return moved;
}

bool IpAddressEdit::handleFieldKey(int index, QKeyEvent* event) {
    const OctetField* field = fields_[index];
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const bool at_start = field->cursorPosition() == 0 && !field->hasSelectedText();
    const bool at_end =
        field->cursorPosition() == field->text().size() && !field->hasSelectedText();
    const bool has_previous = index > 0;
    const bool has_next = index + 1 < kFieldCount;

    switch (event->key()) {
        case Qt::Key_Backspace:
            if (!plain || !has_previous || !at_start) {
                return false;
            }
            focusField(index - 1, Caret::AtEnd);
            fields_[index - 1]->backspace();
            return true;
        case Qt::Key_Left:
            if (!plain || !has_previous || !at_start) {
                return false;
            }
            focusField(index - 1, Caret::AtEnd);
            return true;
        case Qt::Key_Right:
            if (!plain || !has_next || !at_end) {
                return false;
            }
            focusField(index + 1, Caret::AtStart);
            return true;
        case Qt::Key_Home:
            if (!plain) {
                return false;
            }
            focusField(0, Caret::AtStart);
            return true;
        case Qt::Key_End:
            if (!plain) {
                return false;
            }
            focusField(kFieldCount - 1, Caret::AtEnd);
            return true;
        default:
            break;
    }

    // Shortcuts (copy, paste, undo) stay with the field; every printable character is ours.
    const QString text = event->text();
    if (text.isEmpty() || !text.front().isPrint() ||
        (event->modifiers() & Qt::ControlModifier) != 0) {
        return false;
    }
    int current = index;
    for (const QChar character : text) {
        current = typeCharacter(current, character);
    }
    return true;
}

int IpAddressEdit::typeCharacter(int index, QChar character) {
    if (isAsciiDigit(character)) {
        return typeDigit(index, character);
    }
    const bool separator = character == u'.' || character == u' ';
    if (separator && !fields_[index]->text().isEmpty() && index + 1 < kFieldCount) {
        focusField(index + 1, Caret::SelectAll);
        return index + 1;
    }
    return index;  // anything else is not part of an address
}

int IpAddressEdit::typeDigit(int index, QChar digit) {
    OctetField* field = fields_[index];
    if (field->text().size() == kMaxDigits && !field->hasSelectedText()) {
        if (index + 1 == kFieldCount) {
            return index;
        }
        focusField(index + 1, Caret::SelectAll);
        return typeDigit(index + 1, digit);
    }

    QString text = field->text();
    int caret = field->cursorPosition();
    if (field->hasSelectedText()) {
        caret = field->selectionStart();
        text.remove(caret, field->selectedText().size());
    }
    text.insert(caret, digit);
    ++caret;

    if (text.toInt() > kMaxOctet) {
        field->setText(QString::number(kMaxOctet));
        field->setCursorPosition(caret);
        return index;
    }
    field->insert(QString(digit));
    if (text.size() == kMaxDigits && caret == kMaxDigits && index + 1 < kFieldCount) {
        focusField(index + 1, Caret::SelectAll);
        return index + 1;
    }
    return index;
}

void IpAddressEdit::focusField(int index, Caret caret) {
    OctetField* field = fields_[index];
    field->setFocus(Qt::OtherFocusReason);
    switch (caret) {
        case Caret::AtStart:
            field->setCursorPosition(0);
            break;
        case Caret::AtEnd:
            field->setCursorPosition(field->text().size());
            break;
        case Caret::SelectAll:
            field->selectAll();
            break;
    }
}

void IpAddressEdit::clampField(int index) {
    OctetField* field = fields_[index];
    if (field->text().toInt() <= kMaxOctet) {
        return;
    }
    const int caret = field->cursorPosition();
    field->setText(QString::number(kMaxOctet));
    field->setCursorPosition(caret);
}

bool IpAddressEdit::anyFieldHasFocus() const {
    for (const OctetField* field : fields_) {
        if (field->hasFocus()) {
            return true;
        }
    }
    return false;
}

}  // namespace norvik
