#include "common/option_table.h"

#include <strings.h>

namespace common {

OptionWalk WalkOptions(const std::vector<std::string>& args, const OptionSpec* table, size_t tableSize,
                       uint32_t& seenMask, const std::function<OptionTake(int index, const std::string* value)>& take) {
    std::vector<bool> used(tableSize, false);
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "xxfunc" is "--func": the two leading characters are skipped unread.
        const char* name = arg.size() >= 2 ? arg.c_str() + 2 : "";
        int match = -1;
        for (size_t k = 0; k < tableSize; ++k) {
            if (!used[k] && strcasecmp(name, table[k].name) == 0) {
                match = int(k);
                break;
            }
        }
        if (match < 0) return OptionWalk::Unknown;
        used[size_t(match)] = true;
        seenMask |= 1u << match;
        const std::string* value = nullptr;
        if (table[match].takesValue) {
            if (i + 1 >= args.size()) return OptionWalk::MissingValue;
            value = &args[++i];
        }
        switch (take(match, value)) {
            case OptionTake::Next: break;
            case OptionTake::Stop: return OptionWalk::Stopped;
            case OptionTake::Refuse: return OptionWalk::Refused;
        }
    }
    return OptionWalk::Complete;
}

}  // namespace common
