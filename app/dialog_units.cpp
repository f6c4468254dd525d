#include "dialog_units.h"

#include <QApplication>
#include <QFontMetrics>

namespace norvik {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    average_char_width_ = (width / 26 + 1) / 2;
    char_height_ = metrics.height();
}

QFont FontWithCellHeight(const QString& family, int cell_height) {
    QFont font = family.isEmpty() ? QApplication::font() : QFont(family);
    for (int pixels = cell_height; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= cell_height) {
            break;
        }
    }
    return font;
}

}  // namespace norvik
