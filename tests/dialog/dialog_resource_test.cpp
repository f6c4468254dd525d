// The Windows resource script draws the main dialog and the About box again, for the resource
// compiler: every control there (order, id, kind, text, place, size and the style words the
// template holds) and the About box's title, size and texts must be the template's, so that a
// change in one place alone fails here, on Linux, without Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "dialog_template.h"
#include "utf.h"

namespace norvik {
namespace {

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A statement's arguments, trimmed and split at the commas outside strings: "ES_CENTER | NOT
// WS_BORDER" is one argument.
std::vector<std::string> Arguments(const std::string& text) {
    std::vector<std::string> arguments{""};
    bool quoted = false;
    for (const char c : text) {
        quoted = c == '"' ? !quoted : quoted;
        if (c == ',' && !quoted) {
            arguments.emplace_back();
        } else {
            arguments.back() += c;
        }
    }
    for (std::string& argument : arguments) {
        argument = std::regex_replace(argument, std::regex(R"(^\s+|\s+$)"), "");
    }
    return arguments;
}

// The value of a string as the resource compiler reads it: "" is a quote, \n a new line.
std::string Unquote(const std::string& argument) {
    if (argument.size() < 2 || argument.front() != '"' || argument.back() != '"') {
        return "(not a string: " + argument + ")";
    }
    std::string value;
    for (std::size_t i = 1; i + 1 < argument.size(); ++i) {
        const char c = argument[i];
        if (c == '"' || c == '\\') {
            const char next = argument[++i];
            value += c == '\\' && next == 'n' ? '\n' : c == '\\' && next == 't' ? '\t' : next;
        } else {
            value += c;
        }
    }
    return value;
}

// A DIALOGEX block of the script: its head's width, height, caption, font size and family, and
// its control statements, each a keyword and its arguments.
struct DialogBlock {
    std::smatch head;
    std::vector<std::pair<std::string, std::vector<std::string>>> controls;
};

bool FindDialog(const std::string& script, const std::string& name, DialogBlock& block) {
    const std::size_t start = script.find("\n" + name + " DIALOGEX ");
    const std::size_t end = script.find("\nEND\n", start);
    const std::regex head(name +
                          R"re( DIALOGEX 0, 0, (\d+), (\d+)\n[\s\S]*?CAPTION "([^"]*)"\n)re" +
                          R"re(FONT (\d+), "([^"]*)"[^\n]*\nBEGIN\n)re");
    if (start == std::string::npos || end == std::string::npos ||
        !std::regex_search(script.begin() + static_cast<long>(start),
                           script.begin() + static_cast<long>(end), block.head, head)) {
        return false;
    }
    // A statement begins with its keyword and may go on over the lines after it.
    const std::regex keyword(R"(^\s*(CONTROL|DEFPUSHBUTTON|PUSHBUTTON|LTEXT|EDITTEXT|ICON)\s)");
    std::istringstream lines(
        std::string(block.head[0].second, script.begin() + static_cast<long>(end)));
    std::string text;
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_search(line, match, keyword)) {
            block.controls.push_back({match[1], {}});
            text = match.suffix();
        } else if (block.controls.empty()) {
            return false;  // something before the first control
        } else {
            text += " " + line;
        }
        block.controls.back().second = Arguments(text);
    }
    return true;
}

// The #define NAME number lines of a header.
std::map<std::string, int> Defines(const std::string& header) {
    std::map<std::string, int> defines;
    const std::regex define(R"(#define (\w+) (\w+)\n)");
    for (auto it = std::sregex_iterator(header.begin(), header.end(), define);
         it != std::sregex_iterator(); ++it) {
        defines[(*it)[1]] = std::stoi((*it)[2], nullptr, 0);
    }
    return defines;
}

// The style words the template keeps, over the resource compiler's defaults for the statement:
// PUSHBUTTON, DEFPUSHBUTTON and EDITTEXT are tab stops unless told otherwise.
unsigned TemplateStyle(const std::string& keyword, const std::string& words) {
    bool tab_stop = keyword == "PUSHBUTTON" || keyword == "DEFPUSHBUTTON" || keyword == "EDITTEXT";
    unsigned style = keyword == "DEFPUSHBUTTON" ? kDefaultButton : 0u;
    const std::map<std::string, unsigned> kept{
        {"ES_READONLY", kReadOnly}, {"ES_UPPERCASE", kUpperCase}, {"ES_NUMBER", kDigitsOnly}};
    const std::regex word_pattern(R"(\w+)");
    bool negated = false;
    for (std::sregex_iterator it(words.begin(), words.end(), word_pattern), end; it != end;
         negated = it->str() == "NOT", ++it) {
        const std::string word = it->str();
        if (word == "WS_TABSTOP") {
            tab_stop = !negated;
        } else if (word == "WS_VISIBLE" && negated) {
            style |= kHidden;
        } else if (kept.contains(word) && !negated) {
            style |= kept.at(word);
        }
    }
    return style | (tab_stop ? kTabStop : 0u);
}

// A control as id, kind, text, x, y, width, height and style; a field the script cannot give is
// -1 or empty.
using Control = std::tuple<int, int, std::string, int, int, int, int, unsigned>;

Control ReadControl(const std::string& keyword, std::vector<std::string> a,
                    const std::map<std::string, int>& ids) {
    // CONTROL text, id, class, style, x, y, w, h; EDITTEXT id, x, y, w, h[, style[, exstyle]];
    // the others text, id, x, y, w, h[, style].
    const std::size_t place = keyword == "CONTROL" ? 4 : keyword == "EDITTEXT" ? 1 : 2;
    a.resize(std::max(a.size(), place + 5));
    // A CONTROL's kind is its window class's.
    const std::map<std::string, ControlKind> kinds{{"\"SysIPAddress32\"", ControlKind::kIpAddress},
                                                   {"\"SysListView32\"", ControlKind::kListView},
                                                   {"\"Button\"", ControlKind::kRadioButton},
                                                   {"EDITTEXT", ControlKind::kEdit},
                                                   {"LTEXT", ControlKind::kLabel},
                                                   {"PUSHBUTTON", ControlKind::kPushButton},
                                                   {"DEFPUSHBUTTON", ControlKind::kPushButton}};
    const auto found = kinds.find(keyword == "CONTROL" ? a[2] : keyword);
    const int kind = found == kinds.end() ? -1 : static_cast<int>(found->second);
    // IP address controls and the list show no text of their own.
    const bool texted = place == 2 || kind == static_cast<int>(ControlKind::kRadioButton);
    const auto number = [&](std::size_t i) {
        return std::regex_match(a[i], std::regex(R"(\d+)")) ? std::stoi(a[i]) : -1;
    };
    const std::string id = place == 1 ? a[0] : a[1];
    return {ids.contains(id) ? ids.at(id) : -1,
            kind,
            texted ? Unquote(a[0]) : "",
            number(place),
            number(place + 1),
            number(place + 2),
            number(place + 3),
            TemplateStyle(keyword, keyword == "CONTROL" ? a[3] : a[place + 4])};
}

class DialogResource : public testing::Test {
protected:
    void SetUp() override {
        script_ = ReadFile(NORVIK_RESOURCE_SCRIPT);
        ids_ = Defines(ReadFile(NORVIK_CONTROL_IDS));
        ASSERT_FALSE(script_.empty()) << NORVIK_RESOURCE_SCRIPT;
        ASSERT_FALSE(ids_.empty()) << NORVIK_CONTROL_IDS;
    }

    std::string script_;
    std::map<std::string, int> ids_;
};

TEST_F(DialogResource, TheMainDialogIsTheTemplates) {
    DialogBlock dialog;
    ASSERT_TRUE(FindDialog(script_, "IDD_MAIN_DIALOG", dialog)) << "no IDD_MAIN_DIALOG block";
    EXPECT_EQ(std::vector<std::string>(dialog.head.begin() + 1, dialog.head.end()),
              (std::vector<std::string>{
                  std::to_string(kMainDialogWidth), std::to_string(kMainDialogHeight),
                  Utf16ToUtf8(kMainDialogTitle), std::to_string(kDialogFontPointSize),
                  Utf16ToUtf8(kDialogFontFamily)}));
    // In template order, which is the tab order.
    ASSERT_EQ(dialog.controls.size(), kMainDialogControls.size());
    for (std::size_t i = 0; i < kMainDialogControls.size(); ++i) {
        const ControlTemplate& t = kMainDialogControls[i];
        const bool texted = t.kind != ControlKind::kIpAddress && t.kind != ControlKind::kListView;
        EXPECT_EQ(ReadControl(dialog.controls[i].first, dialog.controls[i].second, ids_),
                  Control(t.id, static_cast<int>(t.kind), texted ? Utf16ToUtf8(t.text) : "", t.x,
                          t.y, t.width, t.height, t.style))
            << Utf16ToUtf8(t.name);
    }
}

TEST_F(DialogResource, TheAboutBoxIsTheTemplates) {
    DialogBlock about;
    ASSERT_TRUE(FindDialog(script_, "IDD_ABOUT", about)) << "no IDD_ABOUT DIALOGEX block";
    EXPECT_EQ(std::vector<std::string>(about.head.begin() + 1, about.head.begin() + 4),
              (std::vector<std::string>{std::to_string(kAboutWidth), std::to_string(kAboutHeight),
                                        Utf16ToUtf8(kAboutTitle)}));
    std::vector<std::string> texts;
    for (const auto& [keyword, arguments] : about.controls) {
        if (keyword == "LTEXT") {
            texts.push_back(Unquote(arguments[0]));
        }
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{Utf16ToUtf8(kAboutProgram), Utf16ToUtf8(kAboutPurpose),
                                        Utf16ToUtf8(kAboutMaker)}));
}

}  // namespace
}  // namespace norvik
