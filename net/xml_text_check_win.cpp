#include "xml_text_check.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>

namespace norvik {
namespace {

bool IsXmlCharacter(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Surrogates and values past U+10FFFF decode here but are no XML character; an overlong form
// is refused as it is read.
bool AllCharactersAllowed(ByteSpan bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::uint8_t lead = bytes[at++];
        int trail_count = 0;
        char32_t c = lead;
        char32_t lowest = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trail_count = 1;
            c = lead & 0x1F;
            lowest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trail_count = 2;
            c = lead & 0x0F;
            lowest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trail_count = 3;
            c = lead & 0x07;
            lowest = 0x10000;
        } else if (lead >= 0x80) {
            return false;
        }
        for (; trail_count > 0; --trail_count) {
            if (at == bytes.size() || (bytes[at] & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (bytes[at++] & 0x3F);
        }
        if (c < lowest || !IsXmlCharacter(c)) {
            return false;
        }
    }
    return true;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The value given to `name` in the XML declaration; nothing when it is not there, or not quoted.
std::optional<std::string_view> DeclaredValue(std::string_view declaration, std::string_view name) {
    std::size_t at = declaration.find(name);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    at += name.size();
    while (at < declaration.size() && (IsSpace(declaration[at]) || declaration[at] == '=')) {
        ++at;
    }
    if (at == declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) {
        return std::nullopt;
    }
    const std::size_t end = declaration.find(declaration[at], at + 1);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    return declaration.substr(at + 1, end - at - 1);
}

bool EqualsIgnoringAsciiCase(std::string_view given, std::string_view lower) {
    return given.size() == lower.size() &&
           std::equal(given.begin(), given.end(), lower.begin(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
           });
}

// The XML declaration, when there is one, says version 1.0 (expat takes any version number,
// XmlLite 1.0 alone) and names UTF-8 or no encoding: another is refused rather than read in it,
// for expat and XmlLite know different encodings, and a reply in any but UTF-8 is no camera's.
bool DeclarationIsPlain(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    if (!text.starts_with("<?xml") || text.size() < 6 || !IsSpace(text[5])) {
        return true;
    }
    const std::string_view declaration = text.substr(0, text.find("?>"));
    if (DeclaredValue(declaration, "version") != "1.0") {
        return false;
    }
    if (declaration.find("encoding") == std::string_view::npos) {
        return true;
    }
    const std::optional<std::string_view> encoding = DeclaredValue(declaration, "encoding");
    return encoding && EqualsIgnoringAsciiCase(*encoding, "utf-8");
}

int DigitValue(char digit, int base) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (base == 16 && digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    if (base == 16 && digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

// The length of the reference `text` begins with ('&' to ';'), or 0 when it is not one of the
// five predefined entities or a character reference to an XML character.
std::size_t ReferenceLength(std::string_view text) {
    const std::size_t end = text.find(';');
    if (end == std::string_view::npos) {
        return 0;
    }
    const std::string_view name = text.substr(1, end - 1);
    if (name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos") {
        return end + 1;
    }
    const int base = name.starts_with("#x") ? 16 : 10;
    const std::string_view digits = name.substr(base == 16 ? 2 : 1);
    if (!name.starts_with('#') || digits.empty()) {
        return 0;
    }
    char32_t value = 0;
    for (const char digit : digits) {
        const int digit_value = DigitValue(digit, base);
        if (digit_value < 0) {
            return 0;
        }
        value = value * base + static_cast<char32_t>(digit_value);
        if (value > 0x10FFFF) {
            return 0;
        }
    }
    return IsXmlCharacter(value) ? end + 1 : 0;
}

bool ReferencesNeedNoDeclaration(std::string_view text) {
    for (std::size_t at = text.find('&'); at != std::string_view::npos; at = text.find('&', at)) {
        const std::size_t length = ReferenceLength(text.substr(at));
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

// Walks the markup: references are checked in character data and attribute values (not in
// comments, CDATA sections and processing instructions, where '&' is itself), and every element
// opened must be closed by the end. XmlLite in Wine takes a document that ends inside its root
// element for a whole one, or gives its last node again forever, and ends the whole program on
// one that ends right after its XML declaration. A document type declaration ends the walk:
// both parsers refuse it whole.
bool MarkupIsComplete(std::string_view text) {
    constexpr std::pair<std::string_view, std::string_view> kLiteralSections[] = {
        {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
    std::size_t open_elements = 0;
    bool any_element = false;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t markup = text.find('<', at);
        if (!ReferencesNeedNoDeclaration(text.substr(at, markup - at))) {
            return false;
        }
        if (markup == std::string_view::npos) {
            break;
        }
        const std::string_view rest = text.substr(markup);
        if (rest.starts_with("<!DOCTYPE")) {
            return true;
        }
        const auto literal =
            std::find_if(std::begin(kLiteralSections), std::end(kLiteralSections),
                         [&](const auto& section) { return rest.starts_with(section.first); });
        if (literal != std::end(kLiteralSections)) {
            const std::size_t end = text.find(literal->second, markup + literal->first.size());
            if (end == std::string_view::npos) {
                return false;
            }
            at = end + literal->second.size();
            continue;
        }
        if (rest.starts_with("</")) {
            const std::size_t end = text.find('>', markup);
            if (open_elements == 0 || end == std::string_view::npos) {
                return false;
            }
            --open_elements;
            at = end + 1;
            continue;
        }
        // A start tag ends at the first '>' outside its quoted attribute values.
        std::size_t end = markup + 1;
        while (end < text.size() && text[end] != '>') {
            if (text[end] == '"' || text[end] == '\'') {
                const std::size_t close = text.find(text[end], end + 1);
                if (close == std::string_view::npos ||
                    !ReferencesNeedNoDeclaration(text.substr(end + 1, close - end - 1))) {
                    return false;
                }
                end = close;
            }
            ++end;
        }
        if (end == text.size()) {
            return false;
        }
        if (text[end - 1] != '/') {
            ++open_elements;
        }
        any_element = true;
        at = end + 1;
    }
    return any_element && open_elements == 0;
}

}  // namespace

bool IsCompleteUtf8Xml(ByteSpan document) {
    const std::string_view text(reinterpret_cast<const char*>(document.data()), document.size());
    return AllCharactersAllowed(document) && DeclarationIsPlain(text) && MarkupIsComplete(text);
}

}  // namespace norvik
