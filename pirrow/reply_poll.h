#pragma once
#include <functional>
#include <string>

#include "common/text_search.h"
#include "pirrow/session.h"

namespace pirrow {

enum class PollStep { Continue, Pass, Fail };

// Polls the link every `cycleMs`, at most `cycles` times, appending what is
// queued to `reply` (kept within the reply limit). After each poll that
// received bytes, `judge` looks at the whole reply and may end the wait.
// Running out of cycles is a failure.
PollStep PollReply(Session& s, std::string& reply, int cycles, int cycleMs,
                   const std::function<PollStep(const std::string& reply)>& judge);

using common::Contains;

}  // namespace pirrow
