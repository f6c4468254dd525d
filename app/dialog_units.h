#pragma once

#include <QFont>
#include <QRect>

namespace norvik {

// Dialog layouts are given in dialog units, which scale with the dialog font: a horizontal
// unit is a quarter of the font's average character width, a vertical unit an eighth of its
// height, as the platform the layouts were drawn for computes them.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const { return units * averageCharWidth_ / 4; }
    int y(int units) const { return units * charHeight_ / 8; }
    QRect rect(int x, int y, int width, int height) const {
        return QRect(this->x(x), this->y(y), this->x(width), this->y(height));
    }

private:
    int averageCharWidth_;
    int charHeight_;
};

// A font of the given family whose character cell (ascent plus descent) is at most the given
// number of pixels tall, as a font asked for by its cell height is. An empty family takes the
// application's default face.
QFont fontWithCellHeight(const QString& family, int cellHeight);

}  // namespace norvik
