#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "dialog_texts.h"

namespace norvik::test {

using Bytes = std::vector<std::byte>;

Bytes Utf8(QStringView text);
Bytes Utf8WithMark(QStringView text);
Bytes Utf16Le(QStringView text);  // with its byte-order mark
Bytes Utf16Be(QStringView text);  // with its byte-order mark
Bytes RawBytes(const std::string& bytes);
Bytes Concat(Bytes first, const Bytes& second);

void WriteFile(const QString& path, const Bytes& bytes);
Bytes ReadFile(const QString& path);

// Moves the process into a directory for the life of the object.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const QString& directory);
    ~ScopedWorkingDirectory();
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    int previous_ = -1;  // the old directory, held open so that any depth can be restored
};

// Every text the loader writes into the dialog, in order.
class RecordingDialog : public DialogTexts {
public:
    void SetControlText(int control_id, const QString& text) override {
        texts.emplace_back(control_id, text);
    }
    // The last text a control received, or a null string if none.
    QString TextOf(int control_id) const;

    std::vector<std::pair<int, QString>> texts;
};

}  // namespace norvik::test
