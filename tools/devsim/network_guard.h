#pragma once

#include <string>

namespace norvik::devsim {

// Why this process must not broadcast here, as a sentence: the interfaces other than
// loopback that are up, so that a datagram could leave this machine, or why that could not be
// found out. Empty when every interface it can see is loopback or down, as in a private
// network namespace.
std::string RealNetworkInterfaces();

}  // namespace norvik::devsim
