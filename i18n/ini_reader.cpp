#include "ini_reader.h"

#include <QString>

#include <algorithm>

#include "ini_text_decoder.h"

namespace norvik {
namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool IsLineEnd(QChar c) {
    return c == u'\n' || c == u'\r';
}

QStringView TrimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

QStringView Unquote(QStringView value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        return value.sliced(1, value.size() - 2);
    }
    return value;
}

bool NamesMatch(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Walks the text line by line without copying it.
class LineReader {
public:
    explicit LineReader(QStringView text) : text_(text) {}

    std::optional<QStringView> Next() {
        if (offset_ >= text_.size()) {
            return std::nullopt;
        }
        const qsizetype begin = offset_;
        while (offset_ < text_.size() && !IsLineEnd(text_[offset_])) {
            ++offset_;
        }
        const QStringView line = text_.sliced(begin, offset_ - begin);
        if (offset_ < text_.size()) {
            const QChar line_end = text_[offset_++];
            if (line_end == u'\r' && offset_ < text_.size() && text_[offset_] == u'\n') {
                ++offset_;
            }
        }
        return line;
    }

private:
    QStringView text_;
    qsizetype offset_ = 0;
};

// The name of a section header line (already trimmed), or nothing for any other line.
std::optional<QStringView> SectionName(QStringView line) {
    if (!line.startsWith(u'[')) {
        return std::nullopt;
    }
    const qsizetype close = line.indexOf(u']');
    if (close < 0) {
        return std::nullopt;
    }
    return TrimBlanks(line.sliced(1, close - 1));
}

qsizetype CopyToBuffer(QStringView text, std::span<char16_t> buffer) {
    if (buffer.empty()) {
        return 0;
    }
    const qsizetype count = std::min<qsizetype>(text.size(), buffer.size() - 1);
    std::copy_n(text.utf16(), count, buffer.data());
    buffer[count] = u'\0';
    return count;
}

}  // namespace

std::optional<QStringView> FindIniValue(QStringView text, QStringView section, QStringView key) {
    LineReader lines(text);
    bool in_section = false;
    while (const std::optional<QStringView> raw_line = lines.Next()) {
        const QStringView line = TrimBlanks(*raw_line);
        if (const std::optional<QStringView> name = SectionName(line)) {
            if (in_section) {
                return std::nullopt;  // the end of the first section of that name
            }
            in_section = NamesMatch(*name, section);
            continue;
        }
        if (!in_section || line.startsWith(u';')) {
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || !NamesMatch(TrimBlanks(line.first(equals)), key)) {
            continue;
        }
        return Unquote(TrimBlanks(line.sliced(equals + 1)));
    }
    return std::nullopt;
}

qsizetype LookupIniString(QStringView text, QStringView section, QStringView key,
                          QStringView default_text, std::span<char16_t> buffer) {
    return CopyToBuffer(FindIniValue(text, section, key).value_or(default_text), buffer);
}

qsizetype ReadIniString(std::span<const std::byte> file, QStringView section, QStringView key,
                        QStringView default_text, std::span<char16_t> buffer) {
    const QString text = DecodeIniText(file);
    return LookupIniString(text, section, key, default_text, buffer);
}

}  // namespace norvik
