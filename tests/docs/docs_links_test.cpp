// The documents hold together: every relative link in README.md and docs/*.md leads to a file
// that exists (and to a heading of it, for a link with #anchor), and every page in docs/ can be
// reached from README.md by following links. A moved or renamed section breaks a link here
// before it breaks a reader's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "test_files.h"

namespace {

namespace fs = std::filesystem;
using norvik::test::ReadText;

const fs::path kSourceDir = NORVIK_SOURCE_DIR;

bool IsFence(std::string_view line) {
    const std::size_t start = line.find_first_not_of(' ');
    return start != std::string_view::npos && start <= 3 &&
           (line.substr(start, 3) == "```" || line.substr(start, 3) == "~~~");
}

struct ProseLine {
    int number;
    std::string_view text;
};

// The lines outside fenced code blocks, where links and headings are what they look like.
std::vector<ProseLine> ProseLines(std::string_view text) {
    std::vector<ProseLine> prose;
    bool in_fence = false;
    for (int number = 1; !text.empty(); ++number) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (IsFence(line)) {
            in_fence = !in_fence;
        } else if (!in_fence) {
            prose.push_back({number, line});
        }
    }
    return prose;
}

// The anchor GitHub gives a heading: lower case, punctuation dropped (but '-' and '_'), each
// space a '-'. Bytes beyond ASCII (letters of other scripts) stay as they are.
std::string Slug(std::string_view heading) {
    std::string slug;
    for (const char c : heading) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || std::isalnum(byte) || c == '-' || c == '_') {
            slug += static_cast<char>(byte < 0x80 ? std::tolower(byte) : byte);
        } else if (c == ' ') {
            slug += '-';
        }
    }
    return slug;
}

// Every heading's anchor, a repeated one numbered as GitHub numbers it ("x", "x-1", ...).
std::set<std::string> Anchors(std::string_view text) {
    std::set<std::string> anchors;
    std::map<std::string, int> seen;
    for (const ProseLine& prose : ProseLines(text)) {
        const std::string_view line = prose.text;
        const std::size_t hashes = line.find_first_not_of('#');
        if (hashes == 0 || hashes > 6 || hashes == std::string_view::npos || line[hashes] != ' ') {
            continue;
        }
        std::string_view heading = line.substr(hashes + 1);
        while (!heading.empty() && heading.back() == ' ') {
            heading.remove_suffix(1);
        }
        const std::string slug = Slug(heading);
        const int count = seen[slug]++;
        anchors.insert(count == 0 ? slug : slug + "-" + std::to_string(count));
    }
    return anchors;
}

struct Link {
    int line;
    std::string target;
};

// The targets of `[text](target)` and `![alt](target)` links, outside code. A target may end
// in a title (`(path "title")`), which is not part of it.
std::vector<Link> Links(std::string_view text) {
    std::vector<Link> links;
    for (const ProseLine& prose : ProseLines(text)) {
        const std::string_view line = prose.text;
        bool in_code = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '`') {
                in_code = !in_code;
            } else if (!in_code && line[i] == ']' && i + 1 < line.size() && line[i + 1] == '(') {
                const std::size_t close = line.find(')', i + 2);
                if (close == std::string_view::npos) {
                    continue;
                }
                std::string_view target = line.substr(i + 2, close - i - 2);
                target = target.substr(0, target.find(' '));
                links.push_back({prose.number, std::string(target)});
                i = close;
            }
        }
    }
    return links;
}

bool IsExternal(std::string_view target) {
    return target.find("://") != std::string_view::npos || target.starts_with("mailto:");
}

std::vector<fs::path> Documents() {
    std::vector<fs::path> documents{kSourceDir / "README.md"};
    for (const fs::directory_entry& entry : fs::directory_iterator(kSourceDir / "docs")) {
        if (entry.is_regular_file() && entry.path().extension() == ".md") {
            documents.push_back(entry.path());
        }
    }
    std::sort(documents.begin() + 1, documents.end());
    return documents;
}

// What a relative link in `from` names: the file and the anchor (empty when none).
std::pair<fs::path, std::string> Resolve(const fs::path& from, const std::string& target) {
    const std::size_t hash = target.find('#');
    const std::string path = target.substr(0, hash);
    const std::string anchor = hash == std::string::npos ? "" : target.substr(hash + 1);
    const fs::path file = path.empty() ? from : (from.parent_path() / path).lexically_normal();
    return {file, anchor};
}

// Why a relative link does not hold, or empty when it does.
std::string Problem(const fs::path& from, const std::string& target) {
    const auto [file, anchor] = Resolve(from, target);
    if (!fs::exists(file)) {
        return "no file " + file.lexically_relative(kSourceDir).string();
    }
    if (!anchor.empty()) {
        if (file.extension() != ".md") {
            return "an anchor into a file that is not Markdown";
        }
        if (Anchors(ReadText(file)).count(anchor) == 0) {
            return "no heading #" + anchor + " in " + file.lexically_relative(kSourceDir).string();
        }
    }
    return "";
}

TEST(DocsLinks, ScannerFindsLinksAndHeadingsAsGitHubDoes) {
    const std::string text =
        "# Norvik\n"
        "See [the list](docs/a.md#why-isnt-my-camera-listed) and ![pic](docs/p.png \"t\").\n"
        "Not `[code](x.md)`, nor [a word] (y.md).\n"
        "```sh\n"
        "[fenced](z.md)\n"
        "## Fenced heading\n"
        "```\n"
        "## Why isn't my camera listed?\n"
        "## norvik-scan: the `--json` output\n"
        "## Many sites\n"
        "## Many sites\n"
        "#No heading\n";
    const std::vector<Link> links = Links(text);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].target, "docs/a.md#why-isnt-my-camera-listed");
    EXPECT_EQ(links[0].line, 2);
    EXPECT_EQ(links[1].target, "docs/p.png");
    EXPECT_EQ(Anchors(text), (std::set<std::string>{"norvik", "why-isnt-my-camera-listed",
                                                    "norvik-scan-the---json-output", "many-sites",
                                                    "many-sites-1"}));
}

TEST(DocsLinks, EveryRelativeLinkLeadsToAFileAndHeading) {
    int checked = 0;
    for (const fs::path& document : Documents()) {
        const std::string text = ReadText(document);
        ASSERT_FALSE(text.empty()) << document;
        for (const Link& link : Links(text)) {
            if (IsExternal(link.target)) {
                continue;
            }
            ++checked;
            const std::string problem = Problem(document, link.target);
            EXPECT_EQ(problem, "") << document.lexically_relative(kSourceDir).string() << ":"
                                   << link.line << ": (" << link.target << ")";
        }
    }
    // README.md alone links every page of docs/.
    EXPECT_GT(checked, static_cast<int>(Documents().size()));
}

TEST(DocsLinks, EveryPageOfDocsIsReachableFromTheReadme) {
    std::set<fs::path> reached{(kSourceDir / "README.md").lexically_normal()};
    std::vector<fs::path> to_read(reached.begin(), reached.end());
    while (!to_read.empty()) {
        const fs::path document = to_read.back();
        to_read.pop_back();
        for (const Link& link : Links(ReadText(document))) {
            if (IsExternal(link.target)) {
                continue;
            }
            const fs::path file = Resolve(document, link.target).first;
            if (file.extension() == ".md" && fs::is_regular_file(file) &&
                reached.insert(file).second) {
                to_read.push_back(file);
            }
        }
    }
    for (const fs::path& document : Documents()) {
        EXPECT_EQ(reached.count(document.lexically_normal()), 1u)
            << document.lexically_relative(kSourceDir).string()
            << " is linked from no page that README.md leads to";
    }
}

}  // namespace
