#pragma once

// Reads the JSON documents the scanner prints, for tests to look into: objects, arrays,
// strings (with \" \\ \/ \b \f \n \r \t and \uXXXX escapes), integers, true, false, null.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace norvik::test {

struct JsonValue;
using JsonObject = std::map<std::string, JsonValue>;
using JsonArray = std::vector<JsonValue>;

struct JsonValue {
    std::variant<std::nullptr_t, bool, long long, std::string, JsonArray, JsonObject> value;

    const JsonObject& object() const { return std::get<JsonObject>(value); }
    const JsonArray& array() const { return std::get<JsonArray>(value); }
    const std::string& string() const { return std::get<std::string>(value); }
    long long integer() const { return std::get<long long>(value); }
    const JsonValue& operator[](const std::string& key) const { return object().at(key); }
    bool operator==(const JsonValue&) const = default;
};

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document() {
        std::optional<JsonValue> value = Value();
        SkipBlanks();
        if (!value || at_ != text_.size()) {
            return std::nullopt;
        }
        return value;
    }

private:
    void SkipBlanks() {
        while (at_ < text_.size() &&
               std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos) {
            ++at_;
        }
    }
    bool Take(char c) {
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool TakeWord(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    std::optional<JsonValue> Value() {
        SkipBlanks();
        if (at_ >= text_.size()) {
            return std::nullopt;
        }
        const char c = text_[at_];
        if (c == '{') {
            return Object();
        }
        if (c == '[') {
            return Array();
        }
        if (c == '"') {
            if (auto text = String()) {
                return JsonValue{std::move(*text)};
            }
            return std::nullopt;
        }
        if (TakeWord("true")) {
            return JsonValue{true};
        }
        if (TakeWord("false")) {
            return JsonValue{false};
        }
        if (TakeWord("null")) {
            return JsonValue{nullptr};
        }
        return Integer();
    }

    std::optional<JsonValue> Integer() {
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-') {
            ++at_;
        }
        long long value = 0;
        const std::size_t digits = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
            value = value * 10 + (text_[at_++] - '0');
        }
        if (at_ == digits) {
            return std::nullopt;
        }
        return JsonValue{text_[start] == '-' ? -value : value};
    }

    std::optional<std::string> String() {
        if (!Take('"')) {
            return std::nullopt;
        }
        std::string out;
        while (at_ < text_.size() && text_[at_] != '"') {
            char c = text_[at_++];
            if (static_cast<unsigned char>(c) < 0x20) {
                return std::nullopt;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) {
                return std::nullopt;
            }
            c = text_[at_++];
            const std::string_view simple = "\"\\/bfnrt";
            const std::string_view meaning = "\"\\/\b\f\n\r\t";
            if (const std::size_t i = simple.find(c); i != std::string_view::npos) {
                out += meaning[i];
            } else if (c == 'u' && at_ + 4 <= text_.size()) {
                const unsigned unit = std::stoul(std::string(text_.substr(at_, 4)), nullptr, 16);
                at_ += 4;
                if (unit >= 0x80) {
                    return std::nullopt;  // the scanner escapes control characters only
                }
                out += static_cast<char>(unit);
            } else {
                return std::nullopt;
            }
        }
        if (!Take('"')) {
            return std::nullopt;
        }
        return out;
    }

    std::optional<JsonValue> Array() {
        Take('[');
        JsonArray items;
        if (Take(']')) {
            return JsonValue{std::move(items)};
        }
        do {
            std::optional<JsonValue> item = Value();
            if (!item) {
                return std::nullopt;
            }
            items.push_back(std::move(*item));
        } while (Take(','));
        if (!Take(']')) {
            return std::nullopt;
        }
        return JsonValue{std::move(items)};
    }

    std::optional<JsonValue> Object() {
        Take('{');
        JsonObject members;
        if (Take('}')) {
            return JsonValue{std::move(members)};
        }
        do {
            SkipBlanks();
            std::optional<std::string> key = String();
            if (!key || !Take(':')) {
                return std::nullopt;
            }
            std::optional<JsonValue> value = Value();
            if (!value) {
                return std::nullopt;
            }
            members.emplace(std::move(*key), std::move(*value));
        } while (Take(','));
        if (!Take('}')) {
            return std::nullopt;
        }
        return JsonValue{std::move(members)};
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

// Nothing when the text is not one whole JSON document of that kind.
inline std::optional<JsonValue> ParseJson(std::string_view text) {
    return JsonParser(text).Document();
}

}  // namespace norvik::test
