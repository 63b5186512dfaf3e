#pragma once

#include <QIcon>

// Icon 128, the program icon: a hub with four controller ports, drawn at every size a
// desktop asks for rather than scaled from one bitmap.
QIcon ProgramIcon();
