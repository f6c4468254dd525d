#pragma once

// What Windows says, now, about what its firewall lets through to this program.
#include <string>
#include <vector>

#include "nothing_arrived.h"

namespace norvik {

// Each card a search goes out through, with the profile of the network it is on.
std::vector<CardProfile> CardProfiles();

// This program's full path, and those of Norvik's other programs beside it, which the installer
// lets through too.
std::vector<std::string> ProgramsToLetThrough();

}  // namespace norvik
