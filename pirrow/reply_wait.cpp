#include "pirrow/reply_wait.h"

#include <algorithm>
#include <cstring>

namespace pirrow {

namespace {

bool EndsLine(const std::string& reply) { return !reply.empty() && reply.back() == '\n'; }

}  // namespace

bool TokenLineComplete(const std::string& reply, const char* token) {
    const size_t at = reply.find(token);
    return at != std::string::npos && reply.find('\n', at + std::strlen(token)) != std::string::npos;
}

ReplyWait TokenWait(const char* pass, const char* fail, int cycles, int cycleMs, size_t limit, bool endWhenFull,
                    std::function<bool(const std::string&)> alsoComplete) {
    ReplyWait wait;
    wait.cycles = cycles;
    wait.cycleMs = cycleMs;
    wait.limit = limit;
    wait.judge = [=](const std::string& reply) {
        if (reply.find(pass) != std::string::npos) return PollStep::Pass;
        if (fail && reply.find(fail) != std::string::npos) return PollStep::Fail;
        if (endWhenFull && reply.size() >= limit) return PollStep::Fail;
        return PollStep::Continue;
    };
    wait.complete = [=](const std::string& reply) {
        if (reply.find(pass) != std::string::npos)
            return TokenLineComplete(reply, pass) && (!alsoComplete || alsoComplete(reply));
        return fail == nullptr || TokenLineComplete(reply, fail);
    };
    return wait;
}

PollStep WaitReply(ReplySource& source, std::string& reply, const ReplyWait& wait) {
    if (wait.cycles <= 0) return PollStep::Fail;
    platform::Clock& clock = source.clock();
    const uint64_t cycleUs = uint64_t(wait.cycleMs) * 1000;
    const uint64_t startUs = clock.NowUs();
    const uint64_t endUs = startUs + uint64_t(wait.cycles) * cycleUs;
    int fired = 0;           // cycles whose progress moment has come
    PollStep answer = PollStep::Continue;
    int answerCycle = 0;     // the cycle in which the answer arrived
    auto fire = [&](int upTo) {
        for (; fired < upTo; ) {
            ++fired;
            if (wait.onCycle && !wait.onCycle(fired)) return false;
        }
        return true;
    };
    while (true) {
        const uint64_t nowUs = clock.NowUs();
        const int reached = int(std::min<uint64_t>(uint64_t(wait.cycles), (nowUs - startUs) / cycleUs));
        const bool atBoundary = reached > fired;
        // The end of the answer's cycle: as far as an old-style wait went.
        if (answer != PollStep::Continue && reached >= answerCycle) break;
        if (atBoundary && !fire(reached)) return PollStep::Fail;

        const size_t room = reply.size() < wait.limit ? wait.limit - reply.size() : 0;
        if (source.ReadReply(reply, room) > 0) {
            const PollStep step = wait.judge(reply);
            if (step != PollStep::Continue) {
                if (answer == PollStep::Continue) {
                    // Read at a boundary, it belongs to that cycle; else to the running one.
                    answerCycle = atBoundary ? reached : std::min(wait.cycles, reached + 1);
                    if (!fire(answerCycle)) return PollStep::Fail;
                }
                answer = step;
                const bool complete = wait.complete ? wait.complete(reply) : EndsLine(reply);
                if (complete || reply.size() >= wait.limit || atBoundary) break;
            }
        }
        if (reached >= wait.cycles) break;

        // Sleep until bytes come, the next progress moment, or the end.
        uint64_t wakeUs = endUs;
        if (wait.onCycle || answer != PollStep::Continue) wakeUs = startUs + uint64_t(reached + 1) * cycleUs;
        if (reply.size() >= wait.limit) {
            clock.SleepMs(uint32_t((wakeUs - clock.NowUs() + 999) / 1000));  // nothing more fits
        } else {
            source.WaitForData(wakeUs);
        }
    }
    return answer == PollStep::Continue ? PollStep::Fail : answer;
}

}  // namespace pirrow
