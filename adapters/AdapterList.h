#pragma once

#include <QStringList>

// The console's inventory of usable adapter addresses: one entry per IPv4 unicast address
// of an accepted adapter, kept as parallel lists of equal length indexed by entry number.
// Read entries through CheckedAt (ImproperArgument.h): chosenIndex survives a
// re-enumeration that made the list shorter.
struct AdapterList {
    QStringList addresses;          // "192.168.1.10"
    QStringList descriptions;       // the hardware, as the platform describes it
    QStringList connectionNames;    // the connection's (interface's) name
    QStringList subnetMasks;        // "0.0.0.0" until the address table has been read
    QStringList subnetAddresses;    // address AND mask, "0.0.0.0" until then
    QStringList broadcastAddresses; // address OR NOT mask, "0.0.0.0" until then
    qint32 count = 0;               // the lists' length; 0 while an enumeration runs
    qint32 chosenIndex = 0;         // the entry the console works through; set by the console
};
