// Where a user's records go by default, from the environment this platform gives.
#include "user_context.h"

#include <gtest/gtest.h>

#include <map>

namespace norvik::cli {
namespace {

std::optional<std::string> Path(bool administrator, std::map<std::string, std::string> variables,
                                std::string& error) {
    return DefaultRecordPath(
        "audit.jsonl", administrator,
        [&](const char* name) -> std::optional<std::string> {
            const auto found = variables.find(name);
            if (found == variables.end()) {
                return std::nullopt;
            }
            return found->second;
        },
        error);
}

TEST(UserContext, RecordsGoWhereThePlatformKeepsThisUsersState) {
    std::string error;
#ifdef _WIN32
    const std::map<std::string, std::string> both = {
        {"ProgramData", "C:\\ProgramData"}, {"LOCALAPPDATA", "C:\\Users\\ana\\AppData\\Local"}};
    EXPECT_EQ(Path(true, both, error), "C:\\ProgramData\\Norvik\\audit.jsonl");
    EXPECT_EQ(Path(false, both, error), "C:\\Users\\ana\\AppData\\Local\\Norvik\\audit.jsonl");
    EXPECT_EQ(Path(false, {}, error), std::nullopt);
    EXPECT_EQ(error, "%LOCALAPPDATA% is not set");
#else
    EXPECT_EQ(Path(true, {{"HOME", "/root"}}, error), "/var/log/norvik/audit.jsonl");
    EXPECT_EQ(Path(false, {{"HOME", "/home/ana"}, {"XDG_STATE_HOME", "/srv/state"}}, error),
              "/srv/state/norvik/audit.jsonl");
    // A relative XDG_STATE_HOME is no place: the default under HOME is taken.
    EXPECT_EQ(Path(false, {{"HOME", "/home/ana"}, {"XDG_STATE_HOME", "state"}}, error),
              "/home/ana/.local/state/norvik/audit.jsonl");
    EXPECT_EQ(Path(false, {{"HOME", "relative"}}, error), std::nullopt);
    EXPECT_EQ(error, "neither XDG_STATE_HOME nor HOME names a folder");
#endif
    EXPECT_FALSE(UserName().empty());
    EXPECT_FALSE(HostName().empty());
}

// What --help says of the places is this platform's: the paths the environment's own names
// give, for an administrator and for anyone else.
TEST(UserContext, TheHelpNamesThePlacesThisPlatformUses) {
    std::string error;
    const std::string places = DefaultRecordPlaces("audit.jsonl");
#ifdef _WIN32
    const std::map<std::string, std::string> names = {{"ProgramData", "%ProgramData%"},
                                                      {"LOCALAPPDATA", "%LOCALAPPDATA%"}};
    const std::string others = *Path(false, names, error);
#else
    const std::map<std::string, std::string> names = {{"XDG_STATE_HOME", "/$XDG_STATE_HOME"}};
    const std::string others = Path(false, names, error)->substr(1);
#endif
    EXPECT_NE(places.find(*Path(true, names, error)), std::string::npos) << places;
    EXPECT_NE(places.find(others), std::string::npos) << places;
}

}  // namespace
}  // namespace norvik::cli
