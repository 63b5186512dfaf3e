#pragma once

#include <string>
#include <sys/un.h>

// The control channel's line protocol, both ends: one command line in, one answer
// line out, over a Unix stream socket. The test site's C++ support uses the client.
namespace hubsim {

bool UnixAddress(const std::string& path, sockaddr_un& address);

// Writes all of text, waiting at most timeoutMs whenever the socket is full.
bool WriteAll(int fd, const std::string& text, int timeoutMs);

// One command, one answer line (without its line end). Returns false with the reason
// in answer when the hub cannot be reached or does not answer in time.
bool SendControlCommand(const std::string& path, const std::string& command, std::string& answer);

} // namespace hubsim
