#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "user_messages.h"
#include "utf.h"

namespace norvik::test {

// Keeps every message and output line, for the test to look at.
class RecordingMessages : public UserMessages {
public:
    void ShowMessage(MessageStyle style, std::u16string_view text) override {
        std::lock_guard lock(mutex_);
        messages_.push_back(Utf16ToUtf8(text));
        styles_.push_back(style);
    }
    void WriteOutput(std::string_view line) override {
        std::lock_guard lock(mutex_);
        output_.emplace_back(line);
    }
    void WriteDiagnostic(std::string_view line) override {
        std::lock_guard lock(mutex_);
        diagnostics_.emplace_back(line);
    }
    // Trace lines are recorded once asked for.
    void RecordTrace() { tracing_ = true; }
    bool tracing() const override { return tracing_; }
    void WriteTrace(std::string_view line) override {
        std::lock_guard lock(mutex_);
        trace_.emplace_back(line);
    }
    std::vector<std::string> messages() const { return Copy(messages_); }
    std::vector<std::string> trace() const { return Copy(trace_); }
    std::vector<std::string> diagnostics() const { return Copy(diagnostics_); }
    std::vector<MessageStyle> styles() const { return Copy(styles_); }
    std::vector<std::string> output() const { return Copy(output_); }

private:
    template <typename T>
    std::vector<T> Copy(const std::vector<T>& kept) const {
        std::lock_guard lock(mutex_);
        return kept;
    }

    mutable std::mutex mutex_;
    std::vector<std::string> messages_;
    std::vector<MessageStyle> styles_;
    std::vector<std::string> output_;
    std::vector<std::string> diagnostics_;
    std::vector<std::string> trace_;
    std::atomic<bool> tracing_{false};
};

}  // namespace norvik::test
