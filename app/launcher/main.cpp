// norvik-launcher: starts the window in the user's own folder, where the chosen language file
// is (the window reads Language.ini from the folder it starts in).
//
//   norvik-launcher [--language CODE] [--languages]
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "language_choice.h"

namespace {

namespace fs = std::filesystem;

// Installed as BINDIR/norvik-launcher beside BINDIR/norvik, with the translations in
// BINDIR/../share/norvik/languages, wherever the package put BINDIR: the program's own path,
// from /proc, or where no /proc is mounted (a container, a chroot) from how it was started.
fs::path OwnFolder(const char* started_as) {
    std::error_code error;
    fs::path own = fs::read_symlink("/proc/self/exe", error);
    if (error && std::string_view(started_as).find('/') != std::string_view::npos) {
        own = fs::absolute(started_as, error).lexically_normal();
    }
    return own.parent_path();
}
fs::path LanguagesFolder(const fs::path& own) {
    return own.parent_path() / "share" / "norvik" / "languages";
}

int Usage() {
    std::fprintf(stderr,
                 "usage: norvik-launcher [--language CODE] [--languages]\n"
                 "Starts Norvik in %s, where --language CODE first puts the\n"
                 "language file of CODE (en: English, the window's own texts); the choice stays\n"
                 "for the next start. --languages lists the codes.\n",
                 "~/.config/norvik");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<std::string_view> language;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--language" && i + 1 < argc) {
            language = argv[++i];
        } else if (argument == "--languages") {
            list = true;
        } else {
            return Usage();
        }
    }
    if (list && language) {
        // Listing starts no window, so the choice would be dropped without a word.
        std::fprintf(stderr, "norvik-launcher: --language and --languages cannot go together\n");
        return Usage();
    }
    const fs::path own = OwnFolder(argv[0]);
    if (list) {
        for (const std::string& code : norvik::launcher::AvailableLanguages(LanguagesFolder(own))) {
            std::printf("%s\n", code.c_str());
        }
        return 0;
    }
    const auto folder =
        norvik::launcher::WindowFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (!folder) {
        std::fprintf(stderr, "norvik-launcher: neither XDG_CONFIG_HOME nor HOME is a full path\n");
        return 1;
    }
    if (language) {
        // Held back while Language.ini is replaced, so that a stop leaves no temporary file
        // beside it: one that comes ends the launcher once the file is in place.
        sigset_t stops;
        sigset_t before;
        sigemptyset(&stops);
        for (const int stop : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&stops, stop);
        }
        sigprocmask(SIG_BLOCK, &stops, &before);
        const std::string why =
            norvik::launcher::ChooseLanguage(*folder, LanguagesFolder(own), *language);
        sigprocmask(SIG_SETMASK, &before, nullptr);
        if (!why.empty()) {
            std::fprintf(stderr, "norvik-launcher: %s\n", why.c_str());
            return 1;
        }
    }
    if (const std::string why = norvik::launcher::MakeWindowFolder(*folder); !why.empty()) {
        std::fprintf(stderr, "norvik-launcher: %s\n", why.c_str());
        return 1;
    }
    if (::chdir(folder->c_str()) != 0) {
        std::fprintf(stderr, "norvik-launcher: cannot start in %s: %s\n", folder->c_str(),
                     std::strerror(errno));
        return 1;
    }
    const std::string window = (own / "norvik").string();
    ::execl(window.c_str(), window.c_str(), static_cast<char*>(nullptr));
    std::fprintf(stderr, "norvik-launcher: cannot start %s: %s\n", window.c_str(),
                 std::strerror(errno));
    return 1;
}
