// norvik-scan against the device simulator, inside the suite's private network namespace.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>

#include "subprocess.h"

namespace {

using namespace std::chrono_literals;
using norvik::test::BackgroundProcess;
using norvik::test::ProcessOptions;
using norvik::test::ProcessResult;
using norvik::test::RunProcess;

const std::string kData = std::string(NORVIK_TEST_DATA_DIR) + "/devsim/";

// A file of its own with the given text.
std::string WriteTempFile(const std::string& text) {
    char path[] = "/tmp/norvik-scan-test-XXXXXX";
    const int fd = ::mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
    return path;
}

ProcessOptions Scan(std::vector<std::string> args) {
    args.insert(args.begin(), NORVIK_TOOL_NORVIK_SCAN);
    ProcessOptions options;
    options.args = std::move(args);
    return options;
}

// The simulator answers searches until the test ends.
class Simulator {
public:
    explicit Simulator(std::vector<std::string> args) : process_(Options(std::move(args))) {
        ready_ = process_.WaitForOutput("ready\n", 10s);
    }
    bool ready() const { return ready_; }
    ProcessResult Stop() { return process_.Stop(); }

private:
    static ProcessOptions Options(std::vector<std::string> args) {
        args.insert(args.begin(), NORVIK_TOOL_NORVIK_DEVSIM);
        ProcessOptions options;
        options.args = std::move(args);
        return options;
    }
    BackgroundProcess process_;
    bool ready_ = false;
};

QJsonObject ParseJson(const std::string& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
}

std::map<std::string, QJsonObject> DevicesByMac(const QJsonObject& scan) {
    std::map<std::string, QJsonObject> devices;
    for (const auto& device : scan["devices"].toArray()) {
        devices.emplace(device.toObject()["mac"].toString().toStdString(), device.toObject());
    }
    return devices;
}

std::multiset<std::string> MacsOfDevices(const QJsonObject& scan) {
    std::multiset<std::string> macs;
    for (const auto& device : scan["devices"].toArray()) {
        macs.insert(device.toObject()["mac"].toString().toStdString());
    }
    return macs;
}

TEST(Scan, PrintsTheDocumentedJsonForADevice) {
    const std::string file = WriteTempFile(
        "pcedit mac=00:11:22:33:44:55 ip=192.168.1.10 netmask=255.255.255.0 "
        "gateway=192.168.1.1 name=cam-1 port=80 port2=0 dns1=8.8.8.8 dns2=0.0.0.0 dhcp=0 "
        "tag=AB\n");
    Simulator devices({"--file", file});
    ASSERT_TRUE(devices.ready());
    const ProcessResult scan = RunProcess(Scan({"--json", "--timeout", "1"}));
    EXPECT_EQ(scan.exit_code, 0) << scan.err;
    EXPECT_EQ(scan.out,
              "{\"rows\":[{\"number\":\"1\",\"name\":\"cam-1\",\"address\":\"192.168.001.010\"}],"
              "\"devices\":[{\"list_index\":0,\"tag\":\"AB\",\"ip\":\"192.168.1.10\",\"netmask\":"
              "\"255.255.255.0\",\"gateway\":\"192.168.1.1\",\"mac\":\"00:11:22:33:44:55\","
              "\"name\":\"cam-1\",\"name_hex\":\"63616d2d3100000000000000000000000000\","
              "\"dns_enabled\":1,\"dns1\":\"8.8.8.8\",\"dns2\":\"0.0.0.0\",\"http_port\":80,"
              "\"port2\":0,\"dhcp_on\":0,\"dhcp_supported\":1}]}\n");
    EXPECT_EQ(scan.err, "");
    ::unlink(file.c_str());
}

TEST(Scan, ListsTheDevicesOfBothProtocolsAsRows) {
    Simulator devices({"--file", kData + "devices.txt"});
    ASSERT_TRUE(devices.ready());
    const ProcessResult scan = RunProcess(Scan({"--timeout", "1"}));
    EXPECT_EQ(scan.exit_code, 0) << scan.err;
    std::multiset<std::string> rows;
    std::set<std::string> numbers;
    std::size_t start = 0;
    for (std::size_t end; (end = scan.out.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string line = scan.out.substr(start, end - start);
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        numbers.insert(line.substr(0, tab));
        rows.insert(line.substr(tab + 1));
    }
    EXPECT_EQ(rows,
              (std::multiset<std::string>{"cam-1\t192.168.001.010", "Front door\t192.168.001.011",
                                          "server-3\t192.168.001.012", "locked\t192.168.001.013"}));
    EXPECT_EQ(numbers, (std::set<std::string>{"1", "2", "3", "4"}));
}

TEST(Scan, OddDatagramsAreDroppedOrListedByTheRules) {
    Simulator devices({"--file", kData + "odd_reports.txt", "--count", "2"});
    ASSERT_TRUE(devices.ready());
    const ProcessResult scan = RunProcess(Scan({"--json", "--timeout", "1.5"}));
    EXPECT_EQ(scan.exit_code, 0) << scan.err;
    const QJsonObject result = ParseJson(scan.out);
    // Short, long and oversized datagrams, the re-numbering report of an unknown device,
    // unknown types and the raw fragment are all dropped; the device whose first address
    // octet is 0 is listed at every report.
    EXPECT_EQ(MacsOfDevices(result),
              (std::multiset<std::string>{"00:00:00:00:01:02", "00:00:00:00:01:04",
                                          "00:00:00:00:01:04", "00:00:00:00:01:05",
                                          "00:00:00:00:01:06", "00:00:00:00:02:03"}));
    EXPECT_EQ(result["rows"].toArray().size(), 6);
    const auto by_mac = DevicesByMac(result);
    const QJsonObject junk = by_mac.at("00:00:00:00:01:05");
    EXPECT_EQ(junk["name"].toString(), "cam");
    EXPECT_EQ(junk["name_hex"].toString(), "63616d000000000000000000000000000000");
    EXPECT_EQ(by_mac.at("00:00:00:00:01:06")["name"].toString(), "abcdefghijklmnopqr");
    const QJsonObject minimal = by_mac.at("00:00:00:00:01:02");
    EXPECT_EQ(minimal["dns_enabled"].toInt(), 0);
    EXPECT_EQ(minimal["dhcp_supported"].toInt(), 0);
    // Each type-3 report tells of the refused setting on standard error.
    EXPECT_EQ(scan.err, "設定失敗:帳號密碼錯誤\n設定失敗:帳號密碼錯誤\n");
}

TEST(Scan, TwoCopiesAtOnceBothListEveryDevice) {
    Simulator devices({"--pcedit", "20", "--3297", "20"});
    ASSERT_TRUE(devices.ready());
    BackgroundProcess first(Scan({"--json", "--timeout", "1.5"}));
    BackgroundProcess second(Scan({"--json", "--timeout", "1.5"}));
    for (BackgroundProcess* scan : {&first, &second}) {
        const ProcessResult result = scan->Wait(10s);
        EXPECT_EQ(result.exit_code, 0) << result.err;
        const auto macs = MacsOfDevices(ParseJson(result.out));
        EXPECT_EQ(macs.size(), 40u);
        EXPECT_EQ(std::set<std::string>(macs.begin(), macs.end()).size(), 40u);
    }
}

TEST(Scan, AHeldPortEndsTheScanWithTheBindMessage) {
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(4023);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const ProcessResult scan = RunProcess(Scan({"--timeout", "2"}));
    ::close(holder);
    EXPECT_EQ(scan.exit_code, 1);
    EXPECT_EQ(scan.err, "ERROR:  98 bind() failed\n");
    EXPECT_EQ(scan.out, "");
}

TEST(Scan, WithoutARouteBothSendersFailAndTheScanGoesOn) {
    ProcessOptions options = Scan({"--timeout", "0.3"});
    options.args.insert(options.args.begin(), {NORVIK_TOOL_NORVIK_NETNS, "--no-broadcast-route"});
    const ProcessResult scan = RunProcess(options);
    EXPECT_EQ(scan.exit_code, 0) << scan.err;
    std::multiset<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = scan.out.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.insert(scan.out.substr(start, end - start));
    }
    EXPECT_EQ(lines, (std::multiset<std::string>{"ERROR:  sendto failed -1,errno:101",
                                                 "again:  sendto st -1,errno:101",
                                                 "ERROR:  SOCKET transmit test fails -1",
                                                 "ERROR:  SOCKET transmit test fails -1"}));
    // The PCEdit sender's own lines come in their order.
    EXPECT_LT(scan.out.find("ERROR:  sendto failed"), scan.out.find("again:  sendto st"));
}

TEST(Scan, WithoutFileDescriptorsTheSocketFailureEndsTheScan) {
#ifdef NORVIK_SANITIZED
    GTEST_SKIP() << "the sanitizers' own checks need file descriptors this test takes away";
#endif
    ProcessOptions options = Scan({"--timeout", "2"});
    // The standard streams and one more, which the loader needs: later it holds one socket
    // at most, so every other socket() fails.
    options.max_open_files = 4;
    const ProcessResult scan = RunProcess(options);
    EXPECT_EQ(scan.exit_code, 1);
    EXPECT_NE(scan.err.find("ERROR:  24 socket() failed\nERROR:  24 SOCKET test fails\n"),
              std::string::npos)
        << scan.err;
}

TEST(Scan, RejectsBadOptions) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--timeout"}, {"--timeout", "x"}, {"--timeout", "-1"}, {"--bogus"}}) {
        const ProcessResult scan = RunProcess(Scan(args));
        EXPECT_EQ(scan.exit_code, 2);
        EXPECT_EQ(scan.out, "");
        EXPECT_FALSE(scan.err.empty());
    }
}

}  // namespace
