#pragma once

#include <QWidget>
#include <QtGlobal>

#include <array>

class QKeyEvent;

namespace norvik {

// An IPv4 address entry that behaves like the platform's IP address control: one sunken edit
// holding four octet fields separated by dots. The address is taken and given as
// (a << 24) | (b << 16) | (c << 8) | d for the dotted address a.b.c.d.
//
// The whole control is one tab stop. Typing accepts digits, '.' and space only; the caret
// moves from field to field as the platform's control moves it. The fields are named
// "octet0" to "octet3" from the left.
class IpAddressEdit : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFieldCount = 4;

    explicit IpAddressEdit(QWidget* parent = nullptr);

    // Fills all four fields, so 0.0.0.0 shows "0" in each rather than a blank control.
    void setAddress(quint32 address);
    // Empties all four fields.
    void clearAddress();
    // Blank fields read as 0.
    quint32 address() const;
    // How many of the four fields hold a number.
    int filledFieldCount() const;
    bool isBlank() const { return filledFieldCount() == 0; }
    // The control's name for assistive technology, and its fields' ("IP, part 1 of 4"), so that
    // a screen reader says which part of which address has the caret.
    void setAccessibleNames(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    class OctetField;
    enum class Caret { AtStart, AtEnd, SelectAll };

    // Handles the keys in which the control differs from a plain line edit; false leaves
    // the key to the field.
    bool handleFieldKey(int index, QKeyEvent* event);
    // Both return the field that holds the caret afterwards.
    int typeCharacter(int index, QChar character);
    int typeDigit(int index, QChar digit);
    void focusField(int index, Caret caret);
    // A value above 255 becomes 255; the caret keeps its place.
    void clampField(int index);
    bool anyFieldHasFocus() const;

    std::array<OctetField*, kFieldCount> fields_{};
};

}  // namespace norvik
