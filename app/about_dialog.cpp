#include "about_dialog.h"

#include <QKeyEvent>
#include <QLabel>

#include "dialog_template.h"
#include "dialog_units.h"
#include "qt_text.h"

namespace norvik {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutDialog");
    setWindowTitle(toQString(kAboutTitle));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QFont font(toQString(kDialogFontFamily), kDialogFontPointSize);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    const DialogUnits units(font);
    setFixedSize(units.x(kAboutWidth), units.y(kAboutHeight));

    const auto addText = [&](const char* name, std::u16string_view text, QRect where) {
        auto* label = new QLabel(toQString(text), this);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        label->setGeometry(where);
        return label;
    };
    addText("AboutTitle", kAboutProgram, units.rect(40, 29, 80, 8));
    addText("AboutPurpose", kAboutPurpose, units.rect(40, 41, 119, 8));
    auto* icon = new QLabel(this);
    icon->setObjectName("AboutIcon");
    icon->setPixmap(windowIcon().pixmap(32, 32));
    icon->move(units.x(16), units.y(29));
    icon->resize(32, 32);
    addText("AboutMaker", kAboutMaker, units.rect(10, 13, 119, 10));
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
    // Without a button Enter would do nothing; it ends the box as the platform's does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace norvik
