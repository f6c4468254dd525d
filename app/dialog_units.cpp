#include "dialog_units.h"

#include <QApplication>
#include <QFontMetrics>

namespace norvik {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    averageCharWidth_ = (width / 26 + 1) / 2;
    charHeight_ = metrics.height();
}

QFont fontWithCellHeight(const QString& family, int cellHeight) {
    QFont font = family.isEmpty() ? QApplication::font() : QFont(family);
    for (int pixels = cellHeight; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= cellHeight) {
            break;
        }
    }
    return font;
}

}  // namespace norvik
