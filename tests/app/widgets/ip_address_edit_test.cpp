#include "ip_address_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <utility>

namespace norvik {
namespace {

using Reading = std::pair<quint32, int>;  // the address and how many fields are filled
using Caret = std::pair<int, int>;        // the field that holds the caret (-1: none), position

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
    Caret CaretAt() const {
        for (int i = 0; i < IpAddressEdit::kFieldCount; ++i) {
            if (Field(i)->hasFocus()) {
                return {i, Field(i)->cursorPosition()};
            }
        }
        return {-1, 0};
    }
    Reading Read() const { return {edit->address(), edit->filledFieldCount()}; }

    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    IpAddressEdit* edit = new IpAddressEdit(&window);
    QLineEdit* after = new QLineEdit(&window);
};

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), key, modifiers);  // to the focus widget
}
// Types keys as the user does; '<', '>', '[', ']' and '~' stand for Left, Right, Home, End
// and Backspace.
void Type(const QString& keys) {
    const QString named = QStringLiteral("<>[]~");
    const Qt::Key named_keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End,
                                  Qt::Key_Backspace};
    for (const QChar key : keys) {
        const qsizetype at = named.indexOf(key);
        if (at >= 0) {
            Press(named_keys[at]);
        } else {
            QTest::keyClicks(static_cast<QWidget*>(nullptr), QString(key));
        }
    }
}

}  // namespace

class IpAddressEditTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        form_ = std::make_unique<Form>();
        form_->window.show();
        form_->window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form_->window));
        form_->edit->setFocus(Qt::TabFocusReason);
        QCOMPARE(form_->CaretAt(), Caret(0, 0));
    }
    void cleanup() { form_.reset(); }

    void typing_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<Reading>("reading");
        QTest::addColumn<Caret>("caret");
        QTest::newRow("dots and spaces") << "192.168 1.10" << Reading(0xC0A8010A, 4) << Caret(3, 2);
        QTest::newRow("third digit advances") << "192" << Reading(0xC0000000, 1) << Caret(1, 0);
        QTest::newRow("leading zeros") << "0001" << Reading(0x00010000, 2) << Caret(1, 1);
        QTest::newRow("stray dot") << ".1..2" << Reading(0x01020000, 2) << Caret(1, 1);
        QTest::newRow("letters ignored") << "a1b9x2.z5" << Reading(0xC0050000, 2) << Caret(1, 1);
        QTest::newRow("past the end") << "1.2.3.4.5" << Reading(0x0102032D, 4) << Caret(3, 2);
        QTest::newRow("clamp stays in the field") << "300" << Reading(0xFF000000, 1) << Caret(0, 3);
        QTest::newRow("next digit moves on") << "9999" << Reading(0xFF090000, 2) << Caret(1, 1);
        QTest::newRow("last field clamps") << "1.2.3.4567" << Reading(0x010203FF, 4) << Caret(3, 3);
        QTest::newRow("clamp in the middle") << "12.3[<9" << Reading(0xFF030000, 2) << Caret(0, 1);
        QTest::newRow("right moves on") << "12.3[>>>" << Reading(0x0C030000, 2) << Caret(1, 0);
        QTest::newRow("left moves back") << "12.3[>>><" << Reading(0x0C030000, 2) << Caret(0, 2);
        QTest::newRow("end") << "1.2.3[]" << Reading(0x01020300, 3) << Caret(3, 0);
        QTest::newRow("backspace crosses") << "1.23.4<~" << Reading(0x01020400, 3) << Caret(1, 1);
        QTest::newRow("through empty fields") << "1.2.3.4<~~~" << Reading(4, 1) << Caret(0, 0);
        QTest::newRow("blank field reads 0") << "10.>7" << Reading(0x0A000700, 2) << Caret(2, 1);
    }
    void typing() {
        QFETCH(QString, keys);
        QFETCH(Reading, reading);
        QFETCH(Caret, caret);
        Type(keys);
        QCOMPARE(form_->Read(), reading);
        QCOMPARE(form_->CaretAt(), caret);
    }

    void shiftedKeysSelectWithinTheField() {
        Type("12.34");
        Press(Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(form_->Field(1)->selectedText(), QString("34"));
    }

    void pasteIsFilteredAndClampedOnFocusOut() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        for (const QString bad : {"1.2", "x7"}) {
            clipboard->setText(bad);
            Press(Qt::Key_V, Qt::ControlModifier);
            QVERIFY(form_->edit->isBlank());
        }
        clipboard->setText("256");
        Press(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form_->Read(), Reading(0xFF000000, 1));  // read in range already
        Press(Qt::Key_Tab);
        QVERIFY(form_->after->hasFocus());
        QCOMPARE(form_->Field(0)->text(), QString("255"));
    }

    void setAndClear() {
        // A full address set and read the main window's scenarios check.
        IpAddressEdit& edit = *form_->edit;
        edit.setAddress(0);  // four zeros, not a blank control
        QCOMPARE(form_->Read(), Reading(0, 4));
        edit.clearAddress();
        QCOMPARE(form_->Read(), Reading(0, 0));
    }

    void controlIsOneTabStop() {
        form_->edit->setAddress(0xC0A8010A);
        form_->before->setFocus();
        Press(Qt::Key_Tab);
        Type("10 ");  // Tab selected 192, so it is replaced
        Press(Qt::Key_Tab);
        QVERIFY(form_->after->hasFocus());
        QCOMPARE(form_->Read(), Reading(0x0AA8010A, 4));
        Press(Qt::Key_Tab, Qt::ShiftModifier);
        Press(Qt::Key_End);
        QCOMPARE(form_->CaretAt(), Caret(3, 2));
        Press(Qt::Key_Tab, Qt::ShiftModifier);  // out backwards, whichever field it is in
        QVERIFY(form_->before->hasFocus());

        // A click on the margin goes to the nearest field.
        IpAddressEdit& edit = *form_->edit;
        QTest::mouseClick(&edit, Qt::LeftButton, Qt::NoModifier, QPoint(edit.width() - 1, 2));
        QCOMPARE(form_->CaretAt(), Caret(3, 2));
    }

    void fitsTheDialogCellWithoutClipping() {
        IpAddressEdit& edit = *form_->edit;
        // 92 x 14 dialog units in the dialog's 9 pt font.
        QCOMPARE(edit.sizeHint().boundedTo(QSize(150, 25)), edit.sizeHint());
        form_->window.layout()->removeWidget(&edit);
        edit.resize(edit.minimumSizeHint());
        // A QLineEdit keeps 2 px each side of its text; narrower, it would scroll "255".
        const int needed = edit.fontMetrics().horizontalAdvance("255") + 4;
        for (int i = 0; i < IpAddressEdit::kFieldCount; ++i) {
            QVERIFY(form_->Field(i)->width() >= needed);
        }
    }

private:
    std::unique_ptr<Form> form_;
};

}  // namespace norvik

QTEST_MAIN(norvik::IpAddressEditTest)
#include "ip_address_edit_test.moc"
