#pragma once

#include "hubsession/HubConsole.h"
#include "hubsession/HubMessage.h"

// Hands each message of one block read from the hub to the console by its code. A block
// of several whole 32-byte messages is dispatched message by message; a message too short
// for its code, or with a code the console does not know, is ignored.
void DispatchHubBlock(HubBytes block, IHubConsole& console);
