#include "devsim/simulator.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <variant>
#include <vector>

#include "devsim/description.h"
#include "devsim/onvif.h"
#include "devsim/output.h"
#include "devsim/packets.h"
#include "devsim/udp.h"

namespace norvik::devsim {
namespace {

using Clock = std::chrono::steady_clock;

enum class Search { kPcEdit, k3297 };

int g_signal_write_fd = -1;

// Only hands the signal to the main loop; everything else happens there.
void OnSignal(int signal_number) {
    const int saved_errno = errno;
    const auto byte = static_cast<unsigned char>(signal_number);
    [[maybe_unused]] const ssize_t written = ::write(g_signal_write_fd, &byte, 1);
    errno = saved_errno;
}

bool InstallSignalPipe(int& read_fd, std::string& error) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("cannot make the signal pipe: ") + std::strerror(errno);
        return false;
    }
    read_fd = fds[0];
    g_signal_write_fd = fds[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGTERM, SIGINT, SIGUSR1}) {
        ::sigaction(signal_number, &action, nullptr);
    }
    return true;
}

bool Answers(Protocol protocol, Search search) {
    return (protocol == Protocol::kPcEdit) == (search == Search::kPcEdit);
}

bool Triggers(RawTrigger on, Search search) {
    return on == RawTrigger::kBothSearches ||
           (on == RawTrigger::kPcEditSearch) == (search == Search::kPcEdit);
}

struct PendingAnswer {
    Clock::time_point due;
    Search search;
};

class Simulator {
public:
    Simulator(DeviceTable table, const SimulatorSettings& settings)
        : table_(std::move(table)),
          settings_(settings),
          buffer_(wire::kMaxDatagramSize + 1),
          quiet_until_(table_.devices.size(), Clock::time_point::min()),
          churn_(settings.churn, settings.base, settings.next_generated_index) {}

    int Run() {
        std::string error;
        int signal_fd = -1;
        if (!InstallSignalPipe(signal_fd, error) || !Open(error)) {
            std::fprintf(stderr, "norvik-devsim: %s\n", error.c_str());
            return 1;
        }
        if (settings_.announce) {
            Announce();
        }
        SendCameraAnnouncements(true);
        PrintLine("ready");
        bool stop = false;
        while (!stop) {
            pollfd fds[] = {{signal_fd, POLLIN, 0},
                            {pcedit_socket_.fd(), POLLIN, 0},
                            {socket_3297_.fd(), POLLIN, 0},
                            {onvif_socket_.fd(), POLLIN, 0}};
            if (::poll(fds, 4, PollTimeout()) < 0 && errno != EINTR) {
                std::fprintf(stderr, "norvik-devsim: poll: %s\n", std::strerror(errno));
                return 1;
            }
            if (fds[0].revents != 0) {
                stop = HandleSignals(signal_fd);
            }
            if (fds[1].revents != 0) {
                Receive(pcedit_socket_, wire::kPcEditPort);
            }
            if (fds[2].revents != 0) {
                Receive(socket_3297_, wire::k3297Port);
            }
            if (fds[3].revents != 0) {
                ReceiveProbes();
            }
            SendDueAnswers();
        }
        SendCameraAnnouncements(false);
        PrintState();
        return 0;
    }

private:
    bool Open(std::string& error) {
        pcedit_socket_ = OpenSharedReceiver(wire::kPcEditPort, error);
        if (pcedit_socket_.is_open()) {
            socket_3297_ = OpenSharedReceiver(wire::k3297Port, error);
        }
        if (socket_3297_.is_open()) {
            sender_ = OpenBroadcastSender(sender_port_, error);
        }
        const bool onvif = !table_.cameras.empty() || !table_.onvif_raw.empty() ||
                           settings_.onvif_flood > 0;
        if (sender_.is_open() && onvif) {
            onvif_socket_ = OpenWsDiscoveryResponder(onvif_interfaces_, error);
            return onvif_socket_.is_open();
        }
        return sender_.is_open();
    }

    int PollTimeout() const {
        if (pending_.empty()) {
            return -1;
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(pending_.front().due - Clock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }

    // True when the simulator is to end.
    bool HandleSignals(int signal_fd) {
        bool stop = false;
        unsigned char signal_number = 0;
        while (::read(signal_fd, &signal_number, 1) == 1) {
            if (signal_number == SIGUSR1) {
                PrintState();
            } else {
                stop = true;
            }
        }
        return stop;
    }

    void Receive(const UdpSocket& socket, std::uint16_t port) {
        while (true) {
            sockaddr_in from{};
            socklen_t from_size = sizeof from;
            const ssize_t size = ::recvfrom(socket.fd(), buffer_.data(), buffer_.size(), 0,
                                            reinterpret_cast<sockaddr*>(&from), &from_size);
            if (size < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                    std::fprintf(stderr, "norvik-devsim: receive on port %u: %s\n", port,
                                 std::strerror(errno));
                }
                return;
            }
            // Our own reports come back to us through the broadcast.
            if (ntohs(from.sin_port) == sender_port_) {
                continue;
            }
            const std::span<const std::uint8_t> datagram(buffer_.data(),
                                                         static_cast<std::size_t>(size));
            Handle(port, datagram, from);
        }
    }

    void Handle(std::uint16_t port, std::span<const std::uint8_t> datagram,
                const sockaddr_in& from) {
        const Request request =
            port == wire::kPcEditPort ? ParsePcEditRequest(datagram) : Parse3297Request(datagram);
        if (settings_.verbose) {
            char address[INET_ADDRSTRLEN] = "?";
            ::inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
            std::fprintf(stderr, "norvik-devsim: %zu bytes on port %u from %s:%u: %s\n",
                         datagram.size(), port, address, ntohs(from.sin_port),
                         Describe(request).c_str());
        }
        if (std::holds_alternative<PcEditSearch>(request)) {
            Schedule(Search::kPcEdit);
        } else if (std::holds_alternative<Search3297>(request)) {
            Schedule(Search::k3297);
        } else if (const auto* set = std::get_if<PcEditSet>(&request)) {
            ApplySet(*set);
        } else if (const auto* malformed = std::get_if<MalformedSet>(&request)) {
            PrintLine("ignored set for " + FormatMac(malformed->target) + ": " + malformed->reason);
        }
    }

    static std::string Describe(const Request& request) {
        if (const auto* other = std::get_if<NotARequest>(&request)) {
            return "ignored, " + other->reason;
        }
        if (const auto* set = std::get_if<PcEditSet>(&request)) {
            return "PCEdit set request for " + FormatMac(set->target);
        }
        if (const auto* malformed = std::get_if<MalformedSet>(&request)) {
            return "malformed PCEdit set request for " + FormatMac(malformed->target);
        }
        return std::holds_alternative<PcEditSearch>(request) ? "PCEdit search" : "3297 search";
    }

    void Schedule(Search search) {
        if (settings_.reply_delay.count() == 0) {
            Answer(search);
            return;
        }
        pending_.push_back({Clock::now() + settings_.reply_delay, search});
    }

    void SendDueAnswers() {
        while (!pending_.empty() && pending_.front().due <= Clock::now()) {
            const Search search = pending_.front().search;
            pending_.pop_front();
            Answer(search);
        }
    }

    // A device that went silent after a set request, or is still restarting.
    bool Quiet(std::size_t index) const { return Clock::now() < quiet_until_[index]; }

    void Answer(Search search) {
        for (int round = 0; round < settings_.count; ++round) {
            for (std::size_t i = 0; i < table_.devices.size(); ++i) {
                const Device& device = table_.devices[i];
                if (Answers(device.protocol, search) && !Quiet(i)) {
                    Send(ReportPort(device), BuildReport(device));
                }
            }
            for (const auto& raw : table_.raw) {
                if (Triggers(raw.on, search)) {
                    Send(raw.port, RawDatagramBytes(raw));
                }
            }
        }
        if (search == Search::kPcEdit &&
            (settings_.churn.replace > 0 || settings_.churn.move > 0)) {
            // A device that came in is not quiet whatever its slot's former device did.
            for (const std::size_t slot : churn_.Step(table_.devices)) {
                quiet_until_[slot] = Clock::time_point::min();
            }
        }
    }

    void Announce() {
        for (int round = 0; round < settings_.count; ++round) {
            for (const auto& device : table_.devices) {
                Send(ReportPort(device), BuildReport(device));
            }
            for (const auto& raw : table_.raw) {
                Send(raw.port, RawDatagramBytes(raw));
            }
        }
    }

    void ApplySet(const PcEditSet& set) {
        const std::string mac = FormatMac(set.target);
        bool matched = false;
        for (std::size_t i = 0; i < table_.devices.size(); ++i) {
            Device& device = table_.devices[i];
            if (device.mac != set.target) {
                continue;
            }
            matched = true;
            if (device.on_set == SetBehaviour::kIgnore) {
                PrintLine("ignored set for " + mac + ": the device ignores set requests");
            } else if (device.reject_set || settings_.reject_all) {
                Device refusal = device;
                refusal.protocol = Protocol::k3297;
                refusal.report_type = wire::packet3297::kTypeWrongPassword;
                refusal.report_length.reset();
                Send(wire::k3297Port, Build3297Report(refusal));
                PrintLine("rejected " + mac + " " + FormatDevice(device));
            } else {
                SettingsChange change = set.change;
                if (device.on_set == SetBehaviour::kPartial) {
                    change.ip.reset();
                    change.netmask.reset();
                }
                ApplySettings(change, device);
                if (device.on_set == SetBehaviour::kSilent) {
                    quiet_until_[i] = Clock::time_point::max();
                } else if (device.on_set == SetBehaviour::kRestart) {
                    quiet_until_[i] = Clock::now() + std::chrono::milliseconds(device.restart_ms);
                }
                PrintLine("applied " + mac + " " + FormatDevice(device));
            }
        }
        if (!matched) {
            PrintLine("ignored set for " + mac + ": no such device");
        }
    }

    void Send(std::uint16_t port, const std::vector<std::uint8_t>& datagram) {
        const int error = SendBroadcast(sender_, port, datagram);
        if (error != 0) {
            std::fprintf(stderr, "norvik-devsim: cannot send %zu bytes to port %u: %s\n",
                         datagram.size(), port, std::strerror(error));
        }
    }

    // Hello when it starts, Bye when it ends, for every camera, through every interface.
    void SendCameraAnnouncements(bool hello) {
        if (!onvif_socket_.is_open()) {
            return;
        }
        for (const Camera& camera : table_.cameras) {
            for (const in_addr& interface : onvif_interfaces_) {
                char address[INET_ADDRSTRLEN] = "0.0.0.0";
                ::inet_ntop(AF_INET, &interface, address, sizeof address);
                const std::string text = hello ? HelloText(camera, address) : ByeText(camera);
                const int error = SendToGroupThrough(
                    onvif_socket_, interface,
                    std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
                if (error != 0) {
                    std::fprintf(stderr, "norvik-devsim: cannot announce %s through %s: %s\n",
                                 camera.endpoint.c_str(), address, std::strerror(error));
                }
            }
        }
    }

    void ReceiveProbes() {
        while (true) {
            sockaddr_in from{};
            socklen_t from_size = sizeof from;
            const ssize_t size = ::recvfrom(onvif_socket_.fd(), buffer_.data(), buffer_.size(), 0,
                                            reinterpret_cast<sockaddr*>(&from), &from_size);
            if (size < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                    std::fprintf(stderr, "norvik-devsim: receive on port 3702: %s\n",
                                 std::strerror(errno));
                }
                return;
            }
            const std::string_view text(reinterpret_cast<const char*>(buffer_.data()),
                                        static_cast<std::size_t>(size));
            const auto probe = ReadProbe(text);
            if (settings_.verbose) {
                char address[INET_ADDRSTRLEN] = "?";
                ::inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
                std::fprintf(stderr, "norvik-devsim: %zd bytes on port 3702 from %s:%u: %s\n",
                             size, address, ntohs(from.sin_port),
                             probe ? "WS-Discovery Probe" : "ignored, no Probe");
            }
            if (probe) {
                AnswerProbe(*probe, from);
            }
        }
    }

    void AnswerProbe(const Probe& probe, const sockaddr_in& from) {
        const std::string address = SourceAddressFor(from);
        const auto reply = [&](const std::string& text) {
            const int error = SendTo(
                onvif_socket_, from,
                std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
            if (error != 0) {
                std::fprintf(stderr, "norvik-devsim: cannot answer a Probe: %s\n",
                             std::strerror(error));
            }
        };
        for (const Camera& camera : table_.cameras) {
            if (Answers(camera, probe)) {
                reply(ProbeMatchesText(camera, probe.message_id, address));
            }
        }
        for (const OnvifRaw& raw : table_.onvif_raw) {
            reply(std::string(raw.bytes.begin(), raw.bytes.end()));
        }
        for (std::uint32_t i = 0; i < settings_.onvif_flood; ++i) {
            Camera made_up;
            made_up.endpoint = FloodEndpoint(i);
            made_up.name = "flood-" + std::to_string(i);
            reply(ProbeMatchesText(made_up, probe.message_id, address));
            // A moment now and then, so that a scanner's socket buffer keeps up on loopback
            // even when a busy machine parses slowly (a sanitizer build on two cores).
            if (i % 8 == 7) {
                ::usleep(2000);
            }
        }
    }

    void PrintState() const {
        PrintLine("# state: " + std::to_string(table_.devices.size()) + " devices, " +
                  std::to_string(table_.raw.size()) + " raw datagrams" +
                  (table_.cameras.empty()
                       ? std::string()
                       : ", " + std::to_string(table_.cameras.size()) + " cameras") +
                  "\n" + FormatTable(table_) +
                  "# end of state");
    }

    DeviceTable table_;
    SimulatorSettings settings_;
    UdpSocket pcedit_socket_;
    UdpSocket socket_3297_;
    UdpSocket sender_;
    std::uint16_t sender_port_ = 0;
    UdpSocket onvif_socket_;  // open when it plays ONVIF cameras
    std::vector<in_addr> onvif_interfaces_;
    std::vector<std::uint8_t> buffer_;
    std::deque<PendingAnswer> pending_;
    std::vector<Clock::time_point> quiet_until_;  // by device index
    DeviceChurn churn_;
};

}  // namespace

int RunSimulator(DeviceTable table, const SimulatorSettings& settings) {
    Simulator simulator(std::move(table), settings);
    return simulator.Run();
}

}  // namespace norvik::devsim
