#include "user_messages.h"

namespace norvik {

void ConsoleUserMessages::ShowMessage(MessageStyle, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::lock_guard lock(mutex_);
    std::fprintf(stderr, "%s\n", utf8.constData());
    std::fflush(stderr);
}

void ConsoleUserMessages::WriteOutput(std::string_view line) {
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), output_);
    std::fflush(output_);
}

}  // namespace norvik
