#pragma once

#include "platform/NeighbourPin.h"

#include <memory>
#include <string>

// Linux side of the platform layer only: the two ways a pin is made. MakeNeighbourPinner()
// picks the direct one when the program holds cap_net_admin (root), else the helper.
namespace platform {

// Where the program finds kestrune-neigh: beside its echo helper.
std::string NeighHelperPath();

std::unique_ptr<NeighbourPinner> MakeDirectPinner();
std::unique_ptr<NeighbourPinner> MakeHelperPinner(const std::string& helperPath);

} // namespace platform
