#include "working_directory.h"

namespace norvik {

std::u16string PathInDirectory(std::u16string_view directory, std::u16string_view file_name) {
    std::u16string path(directory);
    if (!path.ends_with(kDirectorySeparator)) {
        path += kDirectorySeparator;
    }
    path += file_name;
    return path;
}

}  // namespace norvik
