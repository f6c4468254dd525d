#include "i18n_test_support.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace norvik::test {
namespace {

Bytes Utf16(QStringView text, bool little_endian) {
    Bytes bytes;
    const auto put = [&](char16_t unit) {
        const auto low = static_cast<std::byte>(unit & 0xFF);
        const auto high = static_cast<std::byte>(unit >> 8);
        bytes.push_back(little_endian ? low : high);
        bytes.push_back(little_endian ? high : low);
    };
    put(u'\uFEFF');
    for (QChar c : text) {
        put(c.unicode());
    }
    return bytes;
}

}  // namespace

Bytes RawBytes(const std::string& bytes) {
    Bytes result(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        result[i] = static_cast<std::byte>(bytes[i]);
    }
    return result;
}

Bytes Utf8(QStringView text) {
    return RawBytes(text.toUtf8().toStdString());
}
Bytes Utf8WithMark(QStringView text) {
    return Concat(RawBytes("\xEF\xBB\xBF"), Utf8(text));
}
Bytes Utf16Le(QStringView text) {
    return Utf16(text, true);
}
Bytes Utf16Be(QStringView text) {
    return Utf16(text, false);
}

Bytes Concat(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

void WriteFile(const QString& path, const Bytes& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())),
        static_cast<qint64>(bytes.size()));
}

Bytes ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return RawBytes(file.readAll().toStdString());
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const QString& directory)
    : previous_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    EXPECT_GE(previous_, 0);
    EXPECT_EQ(chdir(QFile::encodeName(directory).constData()), 0) << directory.toStdString();
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    if (previous_ >= 0) {
        EXPECT_EQ(fchdir(previous_), 0);
        close(previous_);
    }
}

QString RecordingDialog::TextOf(int control_id) const {
    for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
        if (it->first == control_id) {
            return it->second;
        }
    }
    return {};
}

}  // namespace norvik::test
