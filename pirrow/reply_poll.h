#pragma once
#include <functional>
#include <string>

#include "common/text_search.h"
#include "pirrow/reply_wait.h"
#include "pirrow/session.h"

namespace pirrow {

// Waits on the link for at most `cycles` x `cycleMs`, appending what arrives
// to `reply` (kept within the reply limit). After each read that received
// bytes, `judge` looks at the whole reply and may end the wait once the
// line in hand has ended. Running out of cycles is a failure.
PollStep PollReply(Session& s, std::string& reply, int cycles, int cycleMs,
                   const std::function<PollStep(const std::string& reply)>& judge);

using common::Contains;

}  // namespace pirrow
