#include "pirrow/reply_poll.h"

namespace pirrow {

PollStep PollReply(Session& s, std::string& reply, int cycles, int cycleMs,
                   const std::function<PollStep(const std::string& reply)>& judge) {
    ReplyWait wait;
    wait.cycles = cycles;
    wait.cycleMs = cycleMs;
    wait.limit = kReplyLimit;
    wait.judge = judge;
    return WaitReply(s.link, reply, wait);
}

}  // namespace pirrow
