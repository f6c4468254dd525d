#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "user_context.h"

namespace norvik::cli {

std::string UserName() {
    const uid_t uid = ::geteuid();
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr) {
        return found->pw_name;
    }
    return std::to_string(uid);
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return "";
    }
    return name;
}

bool RunningAsAdministrator() {
    return ::geteuid() == 0;
}

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::string> DefaultRecordPath(const std::string& file, bool administrator,
                                             const Environment& environment, std::string& error) {
    if (administrator) {
        return "/var/log/norvik/" + file;
    }
    // A relative value is to be ignored, as the XDG base directory rules say.
    const auto absolute = [&](const char* name) {
        auto value = environment(name);
        return value && value->front() == '/' ? value : std::nullopt;
    };
    if (const auto state = absolute("XDG_STATE_HOME")) {
        return *state + "/norvik/" + file;
    }
    if (const auto home = absolute("HOME")) {
        return *home + "/.local/state/norvik/" + file;
    }
    error = "neither XDG_STATE_HOME nor HOME names a folder";
    return std::nullopt;
}

std::string DefaultRecordPlaces(const std::string& file) {
    return "/var/log/norvik/" + file + " for root, $XDG_STATE_HOME/norvik/" + file +
           " (~/.local/state)\notherwise";
}

}  // namespace norvik::cli
