#pragma once
// The address the network interface listens on, from [REMOTE] LISTEN:
// "127.0.0.1:8750", "[::1]:8750", "0.0.0.0:8750", or a port alone for
// loopback ("8750"). Port 0 takes any free port (the main log names it).
#include <optional>
#include <string>

namespace station::remote {

struct ListenAddress {
    std::string host;
    int port = 0;
    bool loopback = true;  // only this machine can connect
};

std::optional<ListenAddress> ParseListenAddress(const std::string& text);

// Compares a presented token with the configured one in time that does not
// depend on where they differ.
bool TokensEqual(const std::string& presented, const std::string& expected);

}  // namespace station::remote
