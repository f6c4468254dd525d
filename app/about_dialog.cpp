#include "about_dialog.h"

#include <QKeyEvent>
#include <QLabel>

#include "dialog_units.h"
#include "main_dialog_template.h"

namespace norvik {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutDialog");
    setWindowTitle("About Norvik");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QFont font(kDialogFontFamily.toString(), kDialogFontPointSize);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    const DialogUnits units(font);
    setFixedSize(units.X(183), units.Y(68));

    const auto add_text = [&](const char* name, const QString& text, QRect where) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        label->setGeometry(where);
        return label;
    };
    add_text("AboutTitle", "Norvik V3.0", units.Rect(40, 29, 80, 8));
    add_text("AboutPurpose", "Network video device setup", units.Rect(40, 41, 119, 8));
    auto* icon = new QLabel(this);
    icon->setObjectName("AboutIcon");
    icon->setPixmap(windowIcon().pixmap(32, 32));
    icon->move(units.X(16), units.Y(29));
    icon->resize(32, 32);
    add_text("AboutMaker", "Varnel Surveillance", units.Rect(10, 13, 119, 10));
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
