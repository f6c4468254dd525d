#include "ip_address_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <utility>

namespace norvik {
namespace {

// The control between two plain edits, in the dialog's font.
struct Form {
    Form() {
        window.setFont(QFont(QStringLiteral("Monospace"), 9));
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(before);
        layout->addWidget(edit);
        layout->addWidget(after);
    }
    QLineEdit* Field(int i) const {
        return edit->findChild<QLineEdit*>(QStringLiteral("octet%1").arg(i));
    }
    // Which field holds the caret, or -1 when the focus is outside the control.
    int FocusedField() const {
        for (int i = 0; i < IpAddressEdit::kFieldCount; ++i) {
            if (Field(i)->hasFocus()) {
                return i;
            }
        }
        return -1;
    }
    // The address and how many fields are filled.
    std::pair<quint32, int> Read() const {
        quint32 address = 0xDEADBEEF;
        const int filled = edit->GetAddress(address);
        return {address, filled};
    }

    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    IpAddressEdit* edit = new IpAddressEdit(&window);
    QLineEdit* after = new QLineEdit(&window);
};

using Reading = std::pair<quint32, int>;

// Keys go to whatever has the focus, as the user's keystrokes do.
void Type(const QString& keys) {
    QTest::keyClicks(static_cast<QWidget*>(nullptr), keys);
}
void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), key, modifiers);
}

}  // namespace

class IpAddressEditTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        form_ = std::make_unique<Form>();
        form_->window.show();
        QApplication::setActiveWindow(&form_->window);
        QVERIFY(QTest::qWaitForWindowActive(&form_->window));
        form_->edit->setFocus(Qt::TabFocusReason);
        QCOMPARE(form_->FocusedField(), 0);
    }
    void cleanup() { form_.reset(); }

    void typing_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<quint32>("address");
        QTest::addColumn<int>("filled");
        QTest::newRow("dotted") << "192.168.1.10" << 0xC0A8010Au << 4;
        QTest::newRow("spaces") << "1 2 3 4" << 0x01020304u << 4;
        QTest::newRow("third digit advances") << "1921681.10" << 0xC0A8010Au << 4;
        QTest::newRow("leading zeros") << "0001" << 0x00010000u << 2;
        QTest::newRow("dot in an empty field stays") << ".1..2" << 0x01020000u << 2;
        QTest::newRow("letters ignored") << "a1b9x2.z5" << 0xC0050000u << 2;
        QTest::newRow("full field goes on") << "2551" << 0xFF010000u << 2;
        QTest::newRow("nothing past the last field") << "1.2.3.4.5" << 0x0102032Du << 4;
        QTest::newRow("clamped stays, next digit moves") << "999999999999" << 0xFFFFFFFFu << 4;
        QTest::newRow("last field clamps") << "1.2.3.4567" << 0x010203FFu << 4;
    }
    void typing() {
        QFETCH(QString, keys);
        QFETCH(quint32, address);
        QFETCH(int, filled);
        Type(keys);
        QCOMPARE(form_->Read(), Reading(address, filled));
    }

    void clampKeepsTheCaretInItsField() {
        Type("300");
        QCOMPARE(form_->Field(0)->text(), QString("255"));
        QCOMPARE(form_->FocusedField(), 0);
        QCOMPARE(form_->Field(0)->cursorPosition(), 3);

        Press(Qt::Key_Right);
        Type("25");
        Press(Qt::Key_Left);
        Type("9");  // 295, typed in the middle
        QCOMPARE(form_->Field(1)->text(), QString("255"));
        QCOMPARE(form_->FocusedField(), 1);
        QCOMPARE(form_->Field(1)->cursorPosition(), 2);
    }

    void pasteIsFilteredAndClampedOnFocusOut() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        for (const QString bad : {"1.2", "x7"}) {
            clipboard->setText(bad);
            Press(Qt::Key_V, Qt::ControlModifier);
            QVERIFY(form_->edit->IsBlank());
        }
        clipboard->setText("256");
        Press(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form_->Field(0)->text(), QString("256"));
        QCOMPARE(form_->Read(), Reading(0xFF000000, 1));  // read in range already
        Press(Qt::Key_Tab);
        QVERIFY(form_->after->hasFocus());
        QCOMPARE(form_->Field(0)->text(), QString("255"));
    }

    void arrowsHomeEndAndBackspaceCrossFields() {
        Type("12.34.56.78");
        Press(Qt::Key_Home);
        Press(Qt::Key_Left);  // nowhere to go
        QCOMPARE(form_->FocusedField(), 0);
        for (int i = 0; i < 3; ++i) {
            Press(Qt::Key_Right);  // two steps inside the field, then on
        }
        QCOMPARE(form_->FocusedField(), 1);
        QCOMPARE(form_->Field(1)->cursorPosition(), 0);
        Press(Qt::Key_Left);
        QCOMPARE(form_->FocusedField(), 0);
        QCOMPARE(form_->Field(0)->cursorPosition(), 2);

        Press(Qt::Key_End);
        QCOMPARE(form_->FocusedField(), 3);
        Press(Qt::Key_Home, Qt::ShiftModifier);  // selects within the field
        QCOMPARE(form_->Field(3)->selectedText(), QString("78"));
        Press(Qt::Key_Left);
        Press(Qt::Key_Backspace);  // deletes the last digit of the field before
        QCOMPARE(form_->FocusedField(), 2);
        Press(Qt::Key_Backspace);
        Press(Qt::Key_Backspace);  // field 2 is empty: on into field 1
        QCOMPARE(form_->FocusedField(), 1);
        QCOMPARE(form_->Read(), Reading(0x0C03004E, 3));
    }

    void setClearAndCount() {
        IpAddressEdit& edit = *form_->edit;
        QSignalSpy edited(&edit, &IpAddressEdit::AddressEdited);
        QVERIFY(edit.IsBlank());
        edit.SetAddress(0);
        for (int i = 0; i < IpAddressEdit::kFieldCount; ++i) {
            QCOMPARE(form_->Field(i)->text(), QString("0"));
        }
        QVERIFY(!edit.IsBlank());
        QCOMPARE(form_->Read(), Reading(0, 4));
        edit.SetAddress(0xC0A8010A);
        QCOMPARE(form_->Field(2)->text(), QString("1"));
        QCOMPARE(form_->Read(), Reading(0xC0A8010A, 4));
        edit.ClearAddress();
        QVERIFY(edit.IsBlank());
        QCOMPARE(form_->Read(), Reading(0, 0));
        QCOMPARE(edited.count(), 0);  // only the user's changes are signalled

        // A blank field between filled ones reads 0 and is not counted.
        Type("10.");
        Press(Qt::Key_Right);
        Type("7");
        QCOMPARE(form_->Read(), Reading(0x0A000700, 2));
        QCOMPARE(edited.count(), 3);
    }

    void disabledControlTakesNoKeys() {
        form_->edit->SetAddress(0x0A000001);
        form_->edit->setEnabled(false);
        QCOMPARE(form_->FocusedField(), -1);
        for (int i = 0; i < IpAddressEdit::kFieldCount; ++i) {
            QTest::keyClick(form_->Field(i), Qt::Key_Backspace);
            QTest::keyClicks(form_->Field(i), "9.");
        }
        QCOMPARE(form_->Read(), Reading(0x0A000001, 4));
        form_->before->setFocus();
        Press(Qt::Key_Tab);  // passes the control by
        QVERIFY(form_->after->hasFocus());
    }

    void controlIsOneTabStop() {
        form_->edit->SetAddress(0xC0A8010A);
        form_->before->setFocus();
        Press(Qt::Key_Tab);
        QCOMPARE(form_->FocusedField(), 0);
        Type("10 ");  // Tab selected 192, so it is replaced
        Press(Qt::Key_Tab);
        QVERIFY(form_->after->hasFocus());
        QCOMPARE(form_->Read(), Reading(0x0AA8010A, 4));

        Press(Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(form_->FocusedField(), 0);
        Press(Qt::Key_End);
        Press(Qt::Key_Tab, Qt::ShiftModifier);
        QVERIFY(form_->before->hasFocus());

        // A click on the margin goes to the nearest field.
        IpAddressEdit& edit = *form_->edit;
        QTest::mouseClick(&edit, Qt::LeftButton, Qt::NoModifier, QPoint(edit.width() - 1, 2));
        QCOMPARE(form_->FocusedField(), 3);
    }

    void fitsTheDialogCellWithoutClipping() {
        // 92 x 14 dialog units in the dialog's 9 pt font.
        const QSize cell(150, 25);
        IpAddressEdit& edit = *form_->edit;
        QVERIFY(edit.sizeHint().width() <= cell.width());
        QVERIFY(edit.sizeHint().height() <= cell.height());
        form_->window.layout()->removeWidget(&edit);
        edit.setGeometry(QRect(QPoint(0, 0), cell));
        edit.SetAddress(0xFFFFFFFF);

        // A QLineEdit keeps 2 px each side of its text; narrower, it would scroll "255".
        const int needed = edit.fontMetrics().horizontalAdvance("255") + 4;
        const int dot = edit.fontMetrics().horizontalAdvance(".");
        const QRect inside_frame = edit.layout()->contentsRect();
        int previous_right = inside_frame.left() - 1 - dot;
        for (int i = 0; i < IpAddressEdit::kFieldCount; ++i) {
            const QRect box = form_->Field(i)->geometry();
            QVERIFY2(box.width() >= needed, qPrintable(QString::number(box.width())));
            QVERIFY(box.height() >= edit.fontMetrics().height());
            QVERIFY(inside_frame.contains(box));
            QVERIFY(box.left() - previous_right > dot);
            previous_right = box.right();
        }
    }

private:
    std::unique_ptr<Form> form_;
};

}  // namespace norvik

QTEST_MAIN(norvik::IpAddressEditTest)
#include "ip_address_edit_test.moc"
