// The Windows resource script draws the main dialog and the About box again, for the resource
// compiler: every control there (order, id, kind, text, place, size and the style words the
// template holds) and the About box's title, size and texts must be the template's, so that a
// change in one place alone fails here, on Linux, without Wine.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "dialog_template.h"
#include "test_files.h"
#include "utf.h"

namespace norvik {
namespace {

// A token of the script: a quoted string (its value), or a word, a number or a sign as written.
struct Token {
    bool quoted = false;
    std::string text;
};

// The tokens of a stretch of the script; comments and preprocessor lines are not in it.
std::vector<Token> Tokenize(std::string_view text) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            ++i;
        } else if (c == '"') {
            Token token{true, {}};
            for (++i; i < text.size(); ++i) {
                if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                    token.text += '"';  // "" is a quote in the resource compiler's strings
                    ++i;
                } else if (text[i] == '"') {
                    ++i;
                    break;
                } else if (text[i] == '\\' && i + 1 < text.size()) {
                    const char escaped = text[++i];
                    token.text += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
                } else {
                    token.text += text[i];
                }
            }
            tokens.push_back(std::move(token));
        } else if (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_') {
            std::size_t end = i;
            while (end < text.size() &&
                   (std::isalnum(static_cast<unsigned char>(text[end])) != 0 || text[end] == '_')) {
                ++end;
            }
            tokens.push_back({false, std::string(text.substr(i, end - i))});
            i = end;
        } else {
            tokens.push_back({false, std::string(1, c)});
            ++i;
        }
    }
    return tokens;
}

// One control statement: its keyword and its arguments, split at the commas, each a list of
// tokens ("ES_CENTER | NOT WS_BORDER" is one argument).
struct Statement {
    std::string keyword;
    std::vector<std::vector<Token>> arguments;
};

// A DIALOGEX block of the script, by its name.
struct DialogBlock {
    int width = 0;
    int height = 0;
    std::string caption;
    std::vector<Token> font;
    std::vector<Statement> controls;
};

bool IsControlKeyword(const std::string& word) {
    return word == "CONTROL" || word == "DEFPUSHBUTTON" || word == "PUSHBUTTON" ||
           word == "LTEXT" || word == "EDITTEXT" || word == "ICON";
}

std::optional<DialogBlock> FindDialog(const std::string& script, const std::string& name) {
    const std::size_t start = script.find("\n" + name + " DIALOGEX ");
    if (start == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t begin = script.find("\nBEGIN\n", start);
    const std::size_t end = script.find("\nEND\n", start);
    if (begin == std::string::npos || end == std::string::npos || end < begin) {
        return std::nullopt;
    }
    DialogBlock block;
    const std::vector<Token> head = Tokenize(std::string_view(script).substr(start, begin - start));
    // NAME DIALOGEX 0 , 0 , width , height ...
    if (head.size() < 9) {
        return std::nullopt;
    }
    block.width = std::stoi(head[6].text);
    block.height = std::stoi(head[8].text);
    for (std::size_t i = 0; i + 1 < head.size(); ++i) {
        if (head[i].text == "CAPTION" && !head[i].quoted && head[i + 1].quoted) {
            block.caption = head[i + 1].text;
        }
        if (head[i].text == "FONT" && !head[i].quoted) {
            block.font.assign(head.begin() + static_cast<long>(i) + 1, head.end());
        }
    }
    const std::vector<Token> body =
        Tokenize(std::string_view(script).substr(begin + 7, end - begin - 7));
    for (const Token& token : body) {
        if (!token.quoted && IsControlKeyword(token.text)) {
            block.controls.push_back({token.text, {{}}});
        } else if (block.controls.empty()) {
            return std::nullopt;  // something before the first control
        } else if (!token.quoted && token.text == ",") {
            block.controls.back().arguments.emplace_back();
        } else {
            block.controls.back().arguments.back().push_back(token);
        }
    }
    return block;
}

// The #define NAME number lines of a header.
std::map<std::string, int> Defines(const std::string& header) {
    std::map<std::string, int> defines;
    std::istringstream lines(header);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string directive;
        std::string name;
        std::string value;
        if (words >> directive >> name >> value && directive == "#define") {
            defines[name] = std::stoi(value, nullptr, 0);
        }
    }
    return defines;
}

// A control as the template holds it, read from a statement of the script.
struct ScriptControl {
    int id = 0;
    std::optional<ControlKind> kind;
    std::string text;  // for the controls that show one
    int x = 0, y = 0, width = 0, height = 0;
    unsigned style = 0;
};

std::string Word(const std::vector<Token>& argument) {
    return argument.size() == 1 ? argument[0].text : std::string();
}

int Number(const std::vector<Token>& argument) {
    const std::string word = Word(argument);
    return !word.empty() && std::isdigit(static_cast<unsigned char>(word[0])) != 0 ? std::stoi(word)
                                                                                   : -1;
}

// The style words the template keeps, over the resource compiler's defaults for the statement.
unsigned TemplateStyle(const std::string& keyword, const std::vector<Token>& words) {
    // PUSHBUTTON, DEFPUSHBUTTON and EDITTEXT are tab stops unless told otherwise.
    bool tab_stop = keyword == "PUSHBUTTON" || keyword == "DEFPUSHBUTTON" || keyword == "EDITTEXT";
    unsigned style = keyword == "DEFPUSHBUTTON" ? kDefaultButton : 0u;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const bool negated = i > 0 && words[i - 1].text == "NOT";
        const std::string& word = words[i].text;
        if (word == "WS_TABSTOP") {
            tab_stop = !negated;
        } else if (word == "WS_VISIBLE" && negated) {
            style |= kHidden;
        } else if (word == "ES_READONLY" && !negated) {
            style |= kReadOnly;
        } else if (word == "ES_UPPERCASE" && !negated) {
            style |= kUpperCase;
        } else if (word == "ES_NUMBER" && !negated) {
            style |= kDigitsOnly;
        }
    }
    return style | (tab_stop ? kTabStop : 0u);
}

std::optional<ScriptControl> ReadControl(const Statement& statement,
                                         const std::map<std::string, int>& ids) {
    const auto& a = statement.arguments;
    ScriptControl control;
    std::size_t place;  // where x, y, width and height begin
    std::vector<Token> style;
    std::string id_name;
    if (statement.keyword == "CONTROL") {
        if (a.size() < 8 || a[0].size() != 1 || !a[0][0].quoted || a[2].size() != 1) {
            return std::nullopt;
        }
        id_name = Word(a[1]);
        style = a[3];
        place = 4;
        const std::string& window_class = a[2][0].text;
        if (window_class == "SysIPAddress32") {
            control.kind = ControlKind::kIpAddress;
        } else if (window_class == "SysListView32") {
            control.kind = ControlKind::kListView;
        } else if (window_class == "Button") {
            control.kind = ControlKind::kRadioButton;
            control.text = a[0][0].text;
        }
    } else if (statement.keyword == "EDITTEXT") {
        if (a.size() < 5) {
            return std::nullopt;
        }
        control.kind = ControlKind::kEdit;
        id_name = Word(a[0]);
        place = 1;
        if (a.size() > 5) {
            style = a[5];
        }
    } else {
        if (a.size() < 6 || a[0].size() != 1 || !a[0][0].quoted) {
            return std::nullopt;
        }
        control.kind =
            statement.keyword == "LTEXT" ? ControlKind::kLabel : ControlKind::kPushButton;
        control.text = a[0][0].text;
        id_name = Word(a[1]);
        place = 2;
        if (a.size() > 6) {
            style = a[6];
        }
    }
    const auto id = ids.find(id_name);
    if (id == ids.end()) {
        return std::nullopt;
    }
    control.id = id->second;
    control.x = Number(a[place]);
    control.y = Number(a[place + 1]);
    control.width = Number(a[place + 2]);
    control.height = Number(a[place + 3]);
    control.style = TemplateStyle(statement.keyword, style);
    return control;
}

class DialogResource : public testing::Test {
protected:
    void SetUp() override {
        script_ = test::ReadText(NORVIK_RESOURCE_SCRIPT);
        ids_ = Defines(test::ReadText(NORVIK_CONTROL_IDS));
        ASSERT_FALSE(script_.empty()) << NORVIK_RESOURCE_SCRIPT;
        ASSERT_FALSE(ids_.empty()) << NORVIK_CONTROL_IDS;
    }

    std::string script_;
    std::map<std::string, int> ids_;
};

TEST_F(DialogResource, TheMainDialogIsTheTemplates) {
    const std::optional<DialogBlock> dialog = FindDialog(script_, "IDD_MAIN_DIALOG");
    ASSERT_TRUE(dialog.has_value()) << "no IDD_MAIN_DIALOG DIALOGEX block";
    EXPECT_EQ(dialog->width, kMainDialogWidth);
    EXPECT_EQ(dialog->height, kMainDialogHeight);
    EXPECT_EQ(dialog->caption, Utf16ToUtf8(kMainDialogTitle));
    ASSERT_GE(dialog->font.size(), 3u);
    EXPECT_EQ(dialog->font[0].text, std::to_string(kDialogFontPointSize));
    EXPECT_EQ(dialog->font[2].text, Utf16ToUtf8(kDialogFontFamily));
    // In template order, which is the tab order.
    ASSERT_EQ(dialog->controls.size(), kMainDialogControls.size());
    for (std::size_t i = 0; i < kMainDialogControls.size(); ++i) {
        const ControlTemplate& expected = kMainDialogControls[i];
        SCOPED_TRACE(Utf16ToUtf8(expected.name));
        const std::optional<ScriptControl> control = ReadControl(dialog->controls[i], ids_);
        ASSERT_TRUE(control.has_value()) << "statement " << i << " unreadable";
        EXPECT_EQ(control->id, expected.id);
        EXPECT_TRUE(control->kind == expected.kind) << "kind";
        // IP address controls and the list show no text of their own.
        if (expected.kind != ControlKind::kIpAddress && expected.kind != ControlKind::kListView) {
            EXPECT_EQ(control->text, Utf16ToUtf8(expected.text));
        }
        EXPECT_EQ((std::array{control->x, control->y, control->width, control->height}),
                  (std::array{expected.x, expected.y, expected.width, expected.height}))
            << "x, y, width, height";
        EXPECT_EQ(control->style, expected.style);
    }
}

TEST_F(DialogResource, TheAboutBoxIsTheTemplates) {
    const std::optional<DialogBlock> about = FindDialog(script_, "IDD_ABOUT");
    ASSERT_TRUE(about.has_value()) << "no IDD_ABOUT DIALOGEX block";
    EXPECT_EQ(about->width, kAboutWidth);
    EXPECT_EQ(about->height, kAboutHeight);
    EXPECT_EQ(about->caption, Utf16ToUtf8(kAboutTitle));
    std::vector<std::string> texts;
    for (const Statement& statement : about->controls) {
        if (statement.keyword == "LTEXT" && !statement.arguments.empty() &&
            statement.arguments[0].size() == 1) {
            texts.push_back(statement.arguments[0][0].text);
        }
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{Utf16ToUtf8(kAboutProgram), Utf16ToUtf8(kAboutPurpose),
                                        Utf16ToUtf8(kAboutMaker)}));
}

}  // namespace
}  // namespace norvik
