#include "ini_reader.h"

#include <algorithm>
#include <string>

#include "ini_text_decoder.h"

namespace norvik {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}
bool IsLineEnd(char16_t c) {
    return c == u'\n' || c == u'\r';
}

std::u16string_view TrimBlanks(std::u16string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::u16string_view Unquote(std::u16string_view value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

char16_t FoldAsciiCase(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool NamesMatch(std::u16string_view a, std::u16string_view b) {
    return std::ranges::equal(a, b, [](char16_t x, char16_t y) {
        return FoldAsciiCase(x) == FoldAsciiCase(y);
    });
}

// Walks the text line by line without copying it.
class LineReader {
public:
    explicit LineReader(std::u16string_view text) : text_(text) {}

    std::optional<std::u16string_view> Next() {
        if (offset_ >= text_.size()) {
            return std::nullopt;
        }
        const std::size_t begin = offset_;
        while (offset_ < text_.size() && !IsLineEnd(text_[offset_])) {
            ++offset_;
        }
        const std::u16string_view line = text_.substr(begin, offset_ - begin);
        if (offset_ < text_.size()) {
            const char16_t line_end = text_[offset_++];
            if (line_end == u'\r' && offset_ < text_.size() && text_[offset_] == u'\n') {
                ++offset_;
            }
        }
        return line;
    }

private:
    std::u16string_view text_;
    std::size_t offset_ = 0;
};

// The name of a section header line (already trimmed), or nothing for any other line.
std::optional<std::u16string_view> SectionName(std::u16string_view line) {
    if (!line.starts_with(u'[')) {
        return std::nullopt;
    }
    const std::size_t close = line.find(u']');
    if (close == std::u16string_view::npos) {
        return std::nullopt;
    }
    return TrimBlanks(line.substr(1, close - 1));
}

std::size_t CopyToBuffer(std::u16string_view text, std::span<char16_t> buffer) {
    if (buffer.empty()) {
        return 0;
    }
    const std::size_t count = std::min(text.size(), buffer.size() - 1);
    std::copy_n(text.data(), count, buffer.data());
    buffer[count] = u'\0';
    return count;
}

}  // namespace

std::optional<std::u16string_view> FindIniValue(std::u16string_view text,
                                                std::u16string_view section,
                                                std::u16string_view key) {
    LineReader lines(text);
    bool in_section = false;
    while (const std::optional<std::u16string_view> raw_line = lines.Next()) {
        const std::u16string_view line = TrimBlanks(*raw_line);
        if (const std::optional<std::u16string_view> name = SectionName(line)) {
            if (in_section) {
                return std::nullopt;  // the end of the first section of that name
            }
            in_section = NamesMatch(*name, section);
            continue;
        }
        if (!in_section || line.starts_with(u';')) {
            continue;
        }
        const std::size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos ||
            !NamesMatch(TrimBlanks(line.substr(0, equals)), key)) {
            continue;
        }
        return Unquote(TrimBlanks(line.substr(equals + 1)));
    }
    return std::nullopt;
}

std::size_t LookupIniString(std::u16string_view text, std::u16string_view section,
                            std::u16string_view key, std::u16string_view default_text,
                            std::span<char16_t> buffer) {
    return CopyToBuffer(FindIniValue(text, section, key).value_or(default_text), buffer);
}

std::size_t ReadIniString(std::span<const std::byte> file, std::u16string_view section,
                          std::u16string_view key, std::u16string_view default_text,
                          std::span<char16_t> buffer) {
    const std::u16string text = DecodeIniText(file);
    return LookupIniString(text, section, key, default_text, buffer);
}

}  // namespace norvik
