#include "pirrow/reply_poll.h"

namespace pirrow {

PollStep PollReply(Session& s, std::string& reply, int cycles, int cycleMs,
                   const std::function<PollStep(const std::string& reply)>& judge) {
    for (int k = 1; k <= cycles; ++k) {
        s.clock.SleepMs(uint32_t(cycleMs));
        const size_t room = reply.size() < kReplyLimit ? kReplyLimit - reply.size() : 0;
        if (s.link.ReadQueued(reply, room) == 0) continue;
        PollStep step = judge(reply);
        if (step != PollStep::Continue) return step;
    }
    return PollStep::Fail;
}

}  // namespace pirrow
