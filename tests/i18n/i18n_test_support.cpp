#include "i18n_test_support.h"

#include <QByteArray>
#include <QFile>

namespace norvik::test {

Bytes RawBytes(std::string_view bytes) {
    Bytes result(bytes.size());
    std::transform(bytes.begin(), bytes.end(), result.begin(),
                   [](char c) { return static_cast<std::byte>(c); });
    return result;
}

Bytes Utf8(QStringView text) {
    return RawBytes(text.toUtf8().toStdString());
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
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return RawBytes(file.readAll().toStdString());
}

}  // namespace norvik::test
