#pragma once

#include <QStringList>

// The hubs found by the last search, in the order their replies arrived, as parallel
// lists of equal length (a hub that answered twice is there twice). A list-view row's
// index is its index here. Read entries through CheckedAt (adapters/ImproperArgument.h).
struct HubList {
    QStringList hubAddresses;         // the reply's source address, dotted decimal
    QStringList hubModelTexts;        // line 1 of the reply: model and firmware
    QStringList hubPhysicalAddresses; // line 2 of the reply: the hub's physical address
    qint32 selectedHubIndex = 0;      // the row last selected by the user; no search touches it
};
