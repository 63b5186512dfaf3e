#pragma once

#include "adapters/AdapterList.h"
#include "platform/AdapterSource.h"

#include <string>

// The adapter inventory and its two reports. Both functions run on the console's thread
// and return the text the console appends to its log with its direct append (caret to
// the end, scroll, insert in one piece); the text is empty when there is nothing to log.
// Neither touches chosenIndex.

// Rebuilds list from the adapters of the given family (the console always asks for
// platform::kAdapterFamilyInet): one entry per IPv4 unicast address of an Ethernet,
// Fast Ethernet or Wi-Fi adapter, with "0.0.0.0" in the mask, subnet and broadcast until
// ReadIpAddressTable, which runs at once when there is at least one entry. With
// writeReport the adapter report and the address-table report are in the text; lines
// about memory and the address table's failures are in it always.
std::string EnumerateAdapters(AdapterList& list, bool writeReport, int family,
                              platform::AdapterSource& source);

// Fills each entry's mask, subnet and broadcast from the address-table row with the same
// address text. A row that matches no entry is reported but fills nothing, so an entry's
// three values are always those of its own address or still "0.0.0.0".
std::string ReadIpAddressTable(AdapterList& list, bool writeReport,
                               platform::AdapterSource& source);
