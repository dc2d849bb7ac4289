#include "station/remote/listen_address.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace station::remote {

namespace {

std::optional<int> ParsePort(const std::string& text) {
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), ::isdigit)) return std::nullopt;
    const int port = std::stoi(text);
    if (port > 65535) return std::nullopt;
    return port;
}

// A numeric loopback address, or "localhost": a name such as
// "127.plant.local" may resolve to any machine.
bool IsLoopbackHost(const std::string& host) {
    in_addr v4{};
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    return host == "localhost" || host == "::1";
}

}  // namespace

std::optional<ListenAddress> ParseListenAddress(const std::string& raw) {
    std::string text = raw;
    text.erase(std::remove_if(text.begin(), text.end(), ::isspace), text.end());
    if (text.empty()) return std::nullopt;
    ListenAddress address;
    std::string portText;
    if (text.find(':') == std::string::npos) {
        address.host = "127.0.0.1";
        portText = text;
    } else if (text.front() == '[') {
        const size_t close = text.find("]:");
        if (close == std::string::npos) return std::nullopt;
        address.host = text.substr(1, close - 1);
        portText = text.substr(close + 2);
    } else {
        const size_t colon = text.rfind(':');
        address.host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (address.host.find(':') != std::string::npos) return std::nullopt;  // IPv6 needs brackets
    }
    const std::optional<int> port = ParsePort(portText);
    if (address.host.empty() || !port) return std::nullopt;
    address.port = *port;
    address.loopback = IsLoopbackHost(address.host);
    return address;
}

bool TokensEqual(const std::string& presented, const std::string& expected) {
    const size_t length = std::max(presented.size(), expected.size());
    unsigned difference = presented.size() == expected.size() ? 0u : 1u;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char a = i < presented.size() ? presented[i] : 0;
        const unsigned char b = i < expected.size() ? expected[i] : 0;
        difference |= unsigned(a ^ b);
    }
    return difference == 0 && !expected.empty();
}

}  // namespace station::remote
