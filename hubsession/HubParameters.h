#pragma once

#include "platform/Ipv4Address.h"

// A hub's IP parameters, as it reports them or is to be given them.
struct HubParameters {
    Ipv4 address;
    Ipv4 mask;
    Ipv4 gateway;
    friend bool operator==(const HubParameters&, const HubParameters&) = default;
};
