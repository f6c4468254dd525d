#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "device_record.h"

namespace norvik {

enum class MessageStyle {
    kPlain,        // a box of its own: no owner window, the system's default caption, OK
    kApplication,  // the application's standard box: its name as caption, OK
};

// How the network code speaks to the person at the machine. The dialog shows message boxes,
// the scanner writes to standard error, tests record.
class UserMessages {
public:
    virtual ~UserMessages() = default;
    // Shows a message, or hands it over to be shown; any thread may call it. A receive thread
    // never waits here for the person: the window shows its boxes on its own thread.
    virtual void ShowMessage(MessageStyle style, std::u16string_view text) = 0;
    // Writes a diagnostic line (with its line feed) to standard output.
    virtual void WriteOutput(std::string_view line) = 0;
    // Writes a note (with its line feed) for whoever looks into a problem: standard error.
    virtual void WriteDiagnostic(std::string_view line);
    // A device refused a set request (a 3297 login-failed report from its MAC) and the
    // protocol's text says why. The window shows the text in its box; a command-line program
    // ties it to the device it set.
    virtual void ShowRefusal(const MacAddress& mac, std::u16string_view text) {
        (void)mac;
        ShowMessage(MessageStyle::kApplication, text);
    }
    // A request went out through no card at all, after the messages that said so; error is the
    // socket layer's code. A program that must know whether its search was sent listens here.
    virtual void RequestNotSent(std::uint16_t port, int error) {
        (void)port;
        (void)error;
    }
    // A receive socket could not be bound to its port, after the messages that said so.
    virtual void PortNotBound(std::uint16_t port, int error) {
        (void)port;
        (void)error;
    }

    // The trace tells what became of every datagram received and every request sent, so that
    // a person can find out why a device is not listed. It is off until a stream is given;
    // callers ask tracing() first, so that no line is made for nobody.
    void TraceTo(std::FILE* stream);
    virtual bool tracing() const { return trace_ != nullptr; }
    // Writes one line of the trace (with its line feed); any thread may call it.
    virtual void WriteTrace(std::string_view line);

private:
    std::mutex trace_mutex_;
    std::FILE* trace_ = nullptr;
};

// The trace file the environment variable NORVIK_TRACE names, opened for appending once a
// process ("-" for standard error); null when it is not set or the file cannot be opened
// (said on standard error).
std::FILE* TraceFileFromEnvironment();

// A message of the network code: a printf format with one %d, the error code.
std::u16string ErrorMessage(const char* format, int code);

// Messages to standard error, one a line; diagnostic lines to standard output, or to
// standard error when standard output must carry nothing else.
class ConsoleUserMessages : public UserMessages {
public:
    explicit ConsoleUserMessages(std::FILE* output = stdout) : output_(output) {}

    void ShowMessage(MessageStyle style, std::u16string_view text) override;
    void WriteOutput(std::string_view line) override;

private:
    std::mutex mutex_;
    std::FILE* output_;
};

}  // namespace norvik
