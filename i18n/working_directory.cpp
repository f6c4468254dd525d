#include "working_directory.h"

namespace norvik {

QString PathInDirectory(const QString& directory, QStringView file_name) {
    QString path = directory;
    if (!path.endsWith(QChar(kDirectorySeparator))) {
        path += QChar(kDirectorySeparator);
    }
    path += file_name;
    return path;
}

}  // namespace norvik
