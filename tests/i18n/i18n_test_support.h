#pragma once

#include <QDir>
#include <QString>
#include <QStringView>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "dialog_texts.h"

namespace norvik::test {

using Bytes = std::vector<std::byte>;

Bytes RawBytes(std::string_view bytes);
Bytes Utf8(QStringView text);

void WriteFile(const QString& path, const Bytes& bytes);
Bytes ReadFile(const QString& path);

// Moves the process into a directory for the life of the object.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const QString& directory) {
        EXPECT_TRUE(QDir::setCurrent(directory)) << directory.toStdString();
    }
    ~ScopedWorkingDirectory() { EXPECT_TRUE(QDir::setCurrent(previous_)); }
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    const QString previous_ = QDir::currentPath();
};

// Every text the loader writes into the dialog, in order.
class RecordingDialog : public DialogTexts {
public:
    void SetControlText(int control_id, const QString& text) override {
        texts.emplace_back(control_id, text);
    }
    // The last text a control received, or a null string if none.
    QString TextOf(int control_id) const {
        const auto last = std::find_if(texts.rbegin(), texts.rend(),
                                       [&](const auto& text) { return text.first == control_id; });
        return last == texts.rend() ? QString() : last->second;
    }

    std::vector<std::pair<int, QString>> texts;
};

}  // namespace norvik::test
