#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The window reads Language.ini from the folder it is started in. The launcher starts it in a
// folder of the user's own and puts the chosen translation there, so that nobody needs a text
// editor to change the window's language.
namespace norvik::launcher {

// $XDG_CONFIG_HOME/norvik, or ~/.config/norvik; nothing when neither variable gives an
// absolute path.
std::optional<std::filesystem::path> WindowFolder(const char* xdg_config_home, const char* home);

// "en", then the folder names under `languages` that hold a Language.ini, in order.
std::vector<std::string> AvailableLanguages(const std::filesystem::path& languages);

// Makes `folder` private to the user, as the desktop's base directories ask of a folder a
// program makes; one that is there, or a link to one, is left as it is. Empty when done, else
// why not.
std::string MakeWindowFolder(const std::filesystem::path& folder);

// Makes `folder` as MakeWindowFolder does and puts the translation of `code` into it as
// Language.ini, or removes Language.ini for "en". Empty when done, else why not; a code that is
// not among AvailableLanguages(languages) changes nothing.
std::string ChooseLanguage(const std::filesystem::path& folder,
                           const std::filesystem::path& languages, std::string_view code);

}  // namespace norvik::launcher
