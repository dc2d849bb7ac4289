#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.h"

namespace pirrow {

enum class PollStep { Continue, Pass, Fail };

// Where a wait gets its bytes: a serial link, woken by poll().
class ReplySource {
public:
    virtual ~ReplySource() = default;
    virtual platform::Clock& clock() = 0;
    // Appends what is there now, at most `max` bytes; returns the count.
    virtual size_t ReadReply(std::string& out, size_t max) = 0;
    // Returns once bytes may be there, or at `deadlineUs` at the latest.
    virtual bool WaitForData(uint64_t deadlineUs) = 0;
};

// A wait of `cycles` cycles of `cycleMs` for an answer in the reply. The
// limit is the cycles' whole time. Bytes are taken the moment they arrive
// and judged at once; the progress moment of cycle k stays at k x cycleMs,
// except that the cycle in which the answer arrives has it at once. An
// answer ends the wait when it is complete (by default: its line ended), or
// at the end of its cycle at the latest, which is where a wait that slept
// through whole cycles would have seen it.
struct ReplyWait {
    int cycles = 0;
    int cycleMs = 10;
    size_t limit = 81919;  // the reply never grows beyond this
    // Progress of cycle k (from 1); false stops waiting (a failure).
    std::function<bool(int cycle)> onCycle;
    // Looks at the whole reply after bytes arrived.
    std::function<PollStep(const std::string& reply)> judge;
    // Whether the answer the judge found is all there; empty: the reply
    // ends in a line feed.
    std::function<bool(const std::string& reply)> complete;
};

// Runs the wait; `reply` collects what arrived (it is not cleared first).
// Running out of cycles is a failure.
PollStep WaitReply(ReplySource& source, std::string& reply, const ReplyWait& wait);

// The wait for a status token in `cycles` x `cycleMs`: it passes once `pass`
// is in the reply and fails once `fail` is (when given), or with
// `endWhenFull` once the reply reached `limit`. It ends when the token's line
// has ended (and `alsoComplete` holds for a pass).
ReplyWait TokenWait(const char* pass, const char* fail, int cycles, int cycleMs, size_t limit, bool endWhenFull,
                    std::function<bool(const std::string&)> alsoComplete = nullptr);

// True when `token` is in `reply` and the line that holds it has ended.
bool TokenLineComplete(const std::string& reply, const char* token);

}  // namespace pirrow
