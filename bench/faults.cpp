// Fault injection with real conditions: ports held by programs that do not share them, no
// route to the broadcast address, no file descriptors left, and language files that are
// unreadable, huge, binary or cut in the middle of a character. Each case runs the window (on
// the offscreen platform) in a child process and a private network namespace of its own, and
// checks what the person would see and that nothing else is lost.
//
//   norvik-faults            every case; exit status 0 when all pass
//   norvik-faults --case C   one case, in this process
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "event_pump.h"
#include "main_dialog.h"
#include "message_box.h"
#include "private_network.h"

namespace {

using namespace std::chrono_literals;
using norvik::bench::Pump;
using norvik::bench::PumpUntil;

// What a case saw; it passes when no expectation failed.
class Outcome {
public:
    void Expect(bool holds, const QString& what) {
        std::printf("  %s %s\n", holds ? "ok  " : "FAIL", qPrintable(what));
        failed_ = failed_ || !holds;
    }
    int ExitStatus() const { return failed_ ? 1 : 0; }

private:
    bool failed_ = false;
};

int BoundSocket(std::uint16_t port, bool share) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    if (share) {
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
}

// A device reports itself on the PCEdit port.
void ReportDevice(const char* name) {
    unsigned char report[70] = {'I', 'P', 'C', 'a', 'm', 0};
    const unsigned char ip[4] = {192, 168, 1, 50};
    const unsigned char mac[6] = {0x02, 0, 0, 0, 0, 0x50};
    std::memcpy(report + 10, ip, 4);
    std::memcpy(report + 14, mac, 6);
    std::memcpy(report + 32, name, std::strlen(name));
    const int fd = BoundSocket(0, true);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(4022);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    ::sendto(fd, report, sizeof report, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::close(fd);
}

QStringList ShownTexts() {
    QStringList texts;
    for (const auto& shown : norvik::MessageBox::takeShown()) {
        texts << shown.text;
    }
    return texts;
}

struct Window {
    norvik::ListLock lock{""};
    norvik::MainDialog dialog{lock};

    template <typename Widget>
    Widget* Find(const char* name) {
        return dialog.findChild<Widget*>(name);
    }
    // A label's or a button's text.
    QString Text(const char* name) { return Find<QWidget>(name)->property("text").toString(); }
    void Start() {
        dialog.initialize();
        dialog.show();
    }
    int Rows() { return Find<QTreeWidget>("DeviceList")->topLevelItemCount(); }
};

// A socket failure shows its message and ends the program with a failure code.
int ExpectSocketFailure(Window& window, const QStringList& messages) {
    Outcome outcome;
    window.Start();
    outcome.Expect(PumpUntil([&] { return window.dialog.isHidden(); }, 10s),
                   "the window closes by itself");
    outcome.Expect(window.dialog.exitCode() == norvik::kSocketFailureExitCode,
                   QString("exit code %1").arg(window.dialog.exitCode()));
    const QStringList shown = ShownTexts();
    for (const QString& message : messages) {
        outcome.Expect(shown.contains(message), "shows \"" + message + "\"");
    }
    std::printf("  shown: %s\n", qPrintable(shown.join(" | ")));
    return outcome.ExitStatus();
}

int PortHeld(std::uint16_t port) {
    BoundSocket(port, /*share=*/false);
    Window window;
    return ExpectSocketFailure(window, {"ERROR:  98 bind() failed"});
}

int NoRoute() {
    Outcome outcome;
    Window window;
    window.Start();
    Pump(1000ms);
    outcome.Expect(!window.dialog.isHidden(), "the window stays open");
    outcome.Expect(ShownTexts().isEmpty(), "no message box");
    window.Find<QPushButton>("SearchDeviceButton")->click();
    Pump(200ms);
    window.Find<QPushButton>("ExitButton")->click();
    outcome.Expect(window.dialog.isHidden() && window.dialog.exitCode() == 0,
                   "Search, then Exit, ends with exit code 0");
    return outcome.ExitStatus();
}

int NoFileDescriptors() {
    Window window;
    // Qt paints with a pool of threads that need descriptors of their own: painting once
    // first starts them, so only our sockets meet the limit.
    window.dialog.show();
    Pump(300ms);
    window.dialog.hide();
    // The lowest free descriptor becomes the limit: no socket can be made from now on.
    const int lowest_free = ::dup(0);
    ::close(lowest_free);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(lowest_free);
    ::setrlimit(RLIMIT_NOFILE, &limit);
    return ExpectSocketFailure(window,
                               {"ERROR:  24 socket() failed", "ERROR:  24 SOCKET test fails"});
}

// The window starts with a language file in its working directory: its texts are as given,
// and a device that reports is still listed.
int LanguageFile(const std::function<void(const QString& path)>& make,
                 const std::map<const char*, QString>& texts) {
    Outcome outcome;
    QTemporaryDir directory;
    make(directory.filePath("Language.ini"));
    QDir::setCurrent(directory.path());
    QElapsedTimer started;
    started.start();
    Window window;
    window.Start();
    outcome.Expect(started.elapsed() < 3000,
                   QString("the window is up in %1 ms").arg(started.elapsed()));
    for (const auto& [control, text] : texts) {
        outcome.Expect(window.Text(control) == text,
                       QString("%1 reads \"%2\"").arg(control, window.Text(control)));
    }
    outcome.Expect(ShownTexts().isEmpty(), "no message box");
    PumpUntil([&] { return window.dialog.discovery().WaitUntilListening(0ms); }, 5s);
    ReportDevice("still-found");
    outcome.Expect(PumpUntil([&] { return window.Rows() == 1; }, 5s), "a device is listed");
    window.Find<QPushButton>("ExitButton")->click();
    outcome.Expect(window.dialog.exitCode() == 0, "Exit ends with exit code 0");
    return outcome.ExitStatus();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

const std::map<const char*, QString> kTemplateTexts{{"DeviceListsLabel", "Device lists:"},
                                                    {"ExitButton", "Exit"}};
const std::map<const char*, QString> kDefaultTexts{{"DeviceListsLabel", "Device Lists"},
                                                   {"ExitButton", "Exit"}};

const std::map<std::string, std::function<int()>> kCases{
    {"port-4022-held", [] { return PortHeld(4022); }},
    {"port-4023-held", [] { return PortHeld(4023); }},
    {"no-route-to-broadcast", NoRoute},
    {"no-file-descriptors", NoFileDescriptors},
    {"language-file-is-a-directory",
     [] { return LanguageFile([](const QString& path) { QDir().mkdir(path); }, kTemplateTexts); }},
    {"language-file-is-a-fifo",
     [] {
         return LanguageFile([](const QString& path) { ::mkfifo(qPrintable(path), 0600); },
                             kTemplateTexts);
     }},
    {"language-file-of-10-MB",
     [] {
         return LanguageFile(
             [](const QString& path) {
                 QByteArray bytes;
                 while (bytes.size() < 10 * 1024 * 1024) {
                     bytes += "; a translator's very long comment line, again and again\r\n";
                 }
                 WriteFile(path, bytes +
                                     "[LANGUAGE]\r\nExit=Schlie\xC3\x9F"
                                     "en\r\n");
             },
             {{"DeviceListsLabel", "Device Lists"}, {"ExitButton", "Schließen"}});
     }},
    {"language-file-of-random-bytes",
     [] {
         return LanguageFile(
             [](const QString& path) {
                 std::mt19937 random(7);
                 QByteArray bytes(64 * 1024, 0);
                 for (char& b : bytes) {
                     b = static_cast<char>(random());
                 }
                 WriteFile(path, bytes);
             },
             kDefaultTexts);
     }},
    {"language-file-cut-in-a-character",
     [] {
         return LanguageFile(
             [](const QString& path) {
                 QFile sample(NORVIK_SOURCE_DIR "/res/zh_TW/Language.ini");
                 sample.open(QIODevice::ReadOnly);
                 const QByteArray bytes = sample.readAll();
                 WriteFile(path, bytes.left(bytes.size() - 3));  // an odd count: half a unit
             },
             {{"DeviceListsLabel", "裝置列表"}});
     }},
};

int RunAll(const char* self) {
    int failed = 0;
    for (const auto& entry : kCases) {
        const std::string& name = entry.first;
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(self, {"--case", QString::fromStdString(name)});
        const bool finished = child.waitForFinished(60000);
        const QByteArray output = child.readAll();
        const bool passed =
            finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
        std::printf("%s %s\n%s", passed ? "PASS" : "FAIL", name.c_str(), output.constData());
        bool lines = true;
        if (name == "no-route-to-broadcast") {
            // The senders' lines go to standard output while the window stays.
            lines = output.contains("ERROR:  sendto failed -1,errno:101\n") &&
                    output.contains("again:  sendto st -1,errno:101\n");
            std::printf("  %s the PCEdit sender's two retry lines on standard output\n",
                        lines ? "ok  " : "FAIL");
        }
        // A case counts once, however many of its checks fail.
        failed += passed && lines ? 0 : 1;
    }
    std::printf("%zu cases, %d failed\n", kCases.size(), failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--case") == 0) {
        const auto found = kCases.find(argv[2]);
        if (found == kCases.end()) {
            std::fprintf(stderr, "norvik-faults: no case %s\n", argv[2]);
            return 2;
        }
        const bool routed = std::strcmp(argv[2], "no-route-to-broadcast") != 0;
        const auto entered =
            norvik::netns::EnterPrivateNetwork(routed ? norvik::netns::BroadcastRoute::kLoopback
                                                      : norvik::netns::BroadcastRoute::kNone);
        if (!entered.entered) {
            std::fprintf(stderr, "norvik-faults: no private network namespace: %s\n",
                         entered.reason.c_str());
            return 77;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication application(argc, argv);
        norvik::MessageBox::answerForTests();  // the boxes are recorded, not shown
        return found->second();
    }
    QCoreApplication application(argc, argv);
    return RunAll(argv[0]);
}
