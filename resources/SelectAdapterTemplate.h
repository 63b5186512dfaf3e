#pragma once

#include "resources/DialogTemplate.h"

// Template 120, the adapter selection dialog.
const DialogTemplate& SelectAdapterTemplate();
std::span<const ListColumn> AdapterListColumns();
