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
    DialogUnits(int average_char_width, int char_height)
        : average_char_width_(average_char_width), char_height_(char_height) {}

    int X(int units) const { return units * average_char_width_ / 4; }
    int Y(int units) const { return units * char_height_ / 8; }
    QRect Rect(int x, int y, int width, int height) const {
        return QRect(X(x), Y(y), X(width), Y(height));
    }

private:
    int average_char_width_;
    int char_height_;
};

// A font of the given family whose character cell (ascent plus descent) is at most the given
// number of pixels tall, as a font asked for by its cell height is. An empty family takes the
// application's default face.
QFont FontWithCellHeight(const QString& family, int cell_height);

}  // namespace norvik
