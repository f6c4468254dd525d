#include "devsim/words.h"

namespace norvik::devsim {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Reads a quoted value from just after its opening quote; the error text, or empty.
std::string ReadQuoted(std::string_view line, std::size_t& i, std::string& value) {
    while (i < line.size()) {
        const char c = line[i++];
        if (c == '"') {
            if (i < line.size() && !IsBlank(line[i])) {
                return "text right after the closing \"";
            }
            return {};
        }
        if (c == '\\') {
            if (i == line.size() || (line[i] != '"' && line[i] != '\\')) {
                return "only \\\" and \\\\ may follow \\";
            }
            value.push_back(line[i++]);
        } else {
            value.push_back(c);
        }
    }
    return "the quoted value has no closing \"";
}

}  // namespace

std::variant<std::vector<Word>, std::string> SplitWords(std::string_view line) {
    std::vector<Word> words;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        if (i == line.size() || line[i] == '#') {
            return words;
        }
        Word word;
        while (i < line.size() && !IsBlank(line[i]) && line[i] != '=') {
            word.key.push_back(line[i++]);
        }
        word.has_value = i < line.size() && line[i] == '=';
        if (word.has_value && ++i < line.size() && line[i] == '"') {
            const std::string error = ReadQuoted(line, ++i, word.value);
            if (!error.empty()) {
                return "in " + word.key + "=: " + error;
            }
        } else {
            while (i < line.size() && !IsBlank(line[i])) {
                word.value.push_back(line[i++]);
            }
        }
        words.push_back(std::move(word));
    }
}

std::string QuoteValue(std::string_view value) {
    if (!value.empty() && value.find_first_of(" \t\r\"\\") == std::string_view::npos) {
        return std::string(value);
    }
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\') {
            quoted.push_back('\\');
        }
        quoted.push_back(c);
    }
    return quoted + "\"";
}

}  // namespace norvik::devsim
