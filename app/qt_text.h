#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace norvik {

// The core's texts are UTF-16 already; the window only changes the container at its edge.
inline QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string fromQString(const QString& text) {
    return text.toStdU16String();
}

}  // namespace norvik
