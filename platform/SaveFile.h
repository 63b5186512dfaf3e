#pragma once

#include <ctime>
#include <string>
#include <string_view>

// Files the person saves (the log, the hub list), and the local time their names carry.
namespace platform {

// Writes bytes as the whole of the file at path (UTF-8), creating or replacing it. Empty
// when every byte reached the file; else the system's reason, in the system's language.
std::string WriteWholeFile(const std::string& path, std::string_view bytes);

// The wall-clock time here and now, as the person's clock shows it.
std::tm LocalTimeNow();

} // namespace platform
