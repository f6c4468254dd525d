#pragma once

// What a program says when a search heard nothing at all on any card. The usual reason is a
// firewall on this computer that drops the devices' reports, and the person needs the
// commands that show or change it.
#include <string>
#include <string_view>
#include <vector>

namespace norvik {

// The kind of network Windows says a card is on; its firewall's rules differ by kind.
enum class NetworkProfile { kUnknown, kPublic, kPrivate, kDomain };

struct CardProfile {
    std::string card;  // the card's friendly name (UTF-8)
    NetworkProfile profile = NetworkProfile::kUnknown;
};

// The command that lets the reports through Windows Firewall to this program (a full path),
// on private and domain networks: the rule the installer adds.
std::string FirewallRuleCommand(std::string_view program_path);

// The lines for Windows. `program` starts each of the program's own lines; `programs` are the
// full paths of the programs to let the reports through to.
std::string NothingArrivedOnWindows(std::string_view program, double seconds,
                                    const std::vector<CardProfile>& cards,
                                    const std::vector<std::string>& programs);

// The lines for Linux; `any_card`: SendingInterfaces() names a card to search through.
std::string NothingArrivedOnLinux(std::string_view program, double seconds, bool any_card);

// This system's lines, with its cards' profiles and this program's path as they are now.
std::string NothingArrivedHere(std::string_view program, double seconds);

}  // namespace norvik
