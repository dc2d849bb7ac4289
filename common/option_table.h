#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace common {

// One entry of a tool's option table; its index is its bit in the seen mask.
struct OptionSpec {
    const char* name;  // without the leading "--"
    bool takesValue;
};

enum class OptionWalk {
    Complete,      // every argument was taken
    Stopped,       // the handler ended the walk (--help)
    Unknown,       // a name not in the table, or an option given twice
    MissingValue,  // a value option stood last
    Refused,       // the handler refused a value (too long for its field)
};

enum class OptionTake { Next, Stop, Refuse };

// Walks args[1..] the way both tools read their command lines: the first two
// characters of an argument are never examined, the rest is compared without
// regard to case with the entries not yet given, in table order; a value
// option takes the next argument whatever it looks like. Each match sets its
// bit in `seenMask` before `take` sees it (value null for a flag).
OptionWalk WalkOptions(const std::vector<std::string>& args, const OptionSpec* table, size_t tableSize,
                       uint32_t& seenMask, const std::function<OptionTake(int index, const std::string* value)>& take);

}  // namespace common
