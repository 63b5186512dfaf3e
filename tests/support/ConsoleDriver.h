#pragma once

#include <QString>
#include <functional>

class CConsoleWindow;

// The window driven the way a technician drives it, with no test framework attached, so
// that the soak benchmark can use it as well as the tests.
namespace console_driver {

// Processes events until done() holds or timeoutMs pass.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);

// Types address into "IP адрес хаба:" part by part.
void TypeHubAddress(CConsoleWindow& console, const QString& address);

// Connected, with the hub's link status and parameters shown.
bool Ready(CConsoleWindow& console);
// No session; the search may run again.
bool Idle(CConsoleWindow& console);

// Types over the last part of an IP address field (IDC_CONNECT_ADDRESS, IDC_HUB_IP_ADDRESS).
void TypeLastPart(CConsoleWindow& console, int fieldId, const QString& part);

// Double-clicks the hub list's row of address as a window system delivers it; false when
// the list has no single row of it.
bool DoubleClickHub(CConsoleWindow& console, const QString& address);

} // namespace console_driver
