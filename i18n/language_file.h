#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <span>

namespace norvik {

// An initialisation-format file, opened once and then asked for values (see ini_reader.h for
// its rules). On Windows the platform's own service reads it.
class LanguageFile {
public:
    // Nothing when the file does not exist or cannot be read.
    static std::optional<LanguageFile> Open(const QString& path);

    // As LookupIniString over the file's text: the value or default_text, cut to
    // buffer.size() - 1 code units and null-terminated; returns the count without terminator.
    qsizetype GetString(QStringView section, QStringView key, QStringView default_text,
                        std::span<char16_t> buffer) const;

private:
    LanguageFile() = default;

#ifdef _WIN32
    QString path_;
#else
    QString text_;
#endif
};

}  // namespace norvik
