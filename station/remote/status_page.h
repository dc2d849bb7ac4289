#pragma once
// The status page at "/": one page built into the program. The server
// renders every channel's tile with the current state, so the page shows
// the line even without script; its script then follows the event stream.
// Start and stop buttons appear once a token is entered on the page.
#include <string>
#include <vector>

#include "station/remote/channel_view.h"

namespace station::remote {

std::string HtmlEscape(const std::string& text);

// `streamQuery` is appended to the event stream's URL ("?token=..." where
// reading needs the token, else empty).
std::string StatusPage(const std::string& stationLine, const std::vector<ChannelView>& channels,
                       const std::string& streamQuery);

}  // namespace station::remote
