// A site agent as Prometheus meets it: norvik-watch writes its metrics into a textfile
// directory, Debian's prometheus-node-exporter serves that directory, and this test reads
// /metrics over HTTP as a Prometheus server would. All inside the suite's private network
// namespace: the simulator's devices, the searches and node-exporter's port.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "prometheus_tools.h"
#include "subprocess.h"
#include "test_files.h"
#include "wait_for.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kNodeExporter = NORVIK_NODE_EXPORTER;
constexpr std::uint16_t kPort = 9100;  // the namespace's own, so nothing else holds it

// GET path from 127.0.0.1:port with a plain socket, as a scrape does: the body, or empty
// when nothing answers or the status is not 200.
std::string HttpGet(std::uint16_t port, const std::string& path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return {};
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string response;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request =
            "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\nAccept: text/plain\r\n\r\n";
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            char buffer[65536];
            for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
                response.append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    ::close(fd);
    const auto body = response.find("\r\n\r\n");
    if (response.rfind("HTTP/1.0 200", 0) != 0 && response.rfind("HTTP/1.1 200", 0) != 0) {
        return {};
    }
    return body == std::string::npos ? std::string() : response.substr(body + 4);
}

// The lines of the exposition that start with the prefix, sorted.
std::set<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0) {
            lines.insert(line);
        }
    }
    return lines;
}

class NodeExporter : public testing::Test {
protected:
    void SetUp() override { NORVIK_NEED_PROMETHEUS_TOOL(kNodeExporter); }
};

// The devices' series with their labels as node-exporter serves them (labels in name order,
// quotes and backslashes escaped as in the file), a lost device's 0, and no scrape error.
TEST_F(NodeExporter, ServesTheDevicesAsNorvikWatchSeesThem) {
    TemporaryDirectory dir;
    const auto textfiles = dir / "textfile";
    std::filesystem::create_directory(textfiles);
    const auto description = dir / "devices.txt";
    std::ofstream(description)
        << "pcedit mac=02:00:00:00:00:01 ip=10.1.0.20 name=\"Gate \\\"A\\\" \\\\1\"\n"
           "3297 mac=02:00:00:00:00:02 ip=10.1.0.21 name=\"攝影機\"\n";
    auto devices = std::make_unique<BackgroundProcess>(
        Command(NORVIK_TOOL_NORVIK_DEVSIM, {"--file", description.string()}));
    ASSERT_TRUE(devices->WaitForOutput("ready\n", 10s));
    const std::string metrics_file = (textfiles / "norvik.prom").string();
    BackgroundProcess watch(
        Command(NORVIK_TOOL_NORVIK_WATCH, {"--prometheus", metrics_file, "--interval", "0.5",
                                           "--timeout", "0.3", "--lost-after", "2"}));
    BackgroundProcess exporter(
        Command(kNodeExporter, {"--collector.disable-defaults", "--collector.textfile",
                                "--collector.textfile.directory=" + textfiles.string(),
                                "--web.listen-address=127.0.0.1:" + std::to_string(kPort)}));

    // Both devices' series with the value given, once a scrape shows them so.
    std::string scraped;
    const auto both_scraped = [&](char value, std::chrono::seconds timeout) {
        const std::set<std::string> both = {
            R"(norvik_device_up{endpoint="",interface="lo",ip="10.1.0.20",mac="02:00:00:00:00:01",)"
            R"(name="Gate \"A\" \\1",protocol="pcedit"} )" +
                std::string(1, value),
            R"(norvik_device_up{endpoint="",interface="lo",ip="10.1.0.21",mac="02:00:00:00:00:02",)"
            R"(name="攝影機",protocol="3297"} )" +
                std::string(1, value)};
        return WaitFor(
            [&] {
                scraped = HttpGet(kPort, "/metrics");
                return LinesStartingWith(scraped, "norvik_device_up{") == both;
            },
            timeout);
    };
    EXPECT_TRUE(both_scraped('1', 15s)) << scraped;
    EXPECT_EQ(LinesStartingWith(scraped, "norvik_devices "),
              std::set<std::string>{"norvik_devices 2"});
    EXPECT_EQ(LinesStartingWith(scraped, "node_textfile_scrape_error "),
              std::set<std::string>{"node_textfile_scrape_error 0"})
        << scraped;
    EXPECT_EQ(LinesStartingWith(scraped, "node_textfile_mtime_seconds{").size(), 1u) << scraped;

    // The devices go: two searches later both are lost, and the next scrape says so.
    devices->Stop();
    devices.reset();
    EXPECT_TRUE(both_scraped('0', 10s)) << scraped;
    EXPECT_EQ(LinesStartingWith(scraped, "norvik_devices "),
              std::set<std::string>{"norvik_devices 0"});
    EXPECT_EQ(LinesStartingWith(scraped, "node_textfile_scrape_error "),
              std::set<std::string>{"node_textfile_scrape_error 0"});

    const ProcessResult stopped = watch.Stop();
    EXPECT_EQ(stopped.exit_code, 0) << stopped.err;
    exporter.Stop();
}

}  // namespace
}  // namespace norvik::test
