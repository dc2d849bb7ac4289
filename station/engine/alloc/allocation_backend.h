#pragma once
// Where the numbers of the MAC range and the serial-number counter live:
// in the station's own "Torvane.ini" and "factory_data.db" (one station),
// or in a pool on a PostgreSQL server that several stations share. The
// allocator asks its backend for a channel's numbers before a burn and tells
// it when the device passed; everything else (random and spreadsheet MACs,
// the factory-data file, the burn list) stays with the allocator.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace station {

struct NumberRequest {
    bool mac = false;                // a MAC is wanted
    bool sn = false;                 // a serial number is wanted
    std::optional<uint64_t> givenMac;  // a MAC from outside the range (random, spreadsheet)
};

struct ChannelNumbers {
    std::string mac;       // 12 upper-case hexadecimal digits, "" when none
    std::string sn;        // the counter digits, "" when none
    std::string snRecord;  // the serial number as the device gets it (prefix and digits)
    bool macReserved = false;  // the MAC is booked to the channel until its device passes
    bool snReserved = false;
};

enum class TakeOutcome {
    kTaken,    // numbers spent and booked to the channel
    kMacUsed,  // the MAC is already recorded for a passed device; nothing spent
    kRefused,  // range end, bad settings or no store: logged, nothing spent
};

// The numbers shown where the station shows its counters (CUR_ADDR, CUR_VALUE).
struct NextNumbers {
    std::string mac;
    std::string sn;
};

class AllocationBackend {
public:
    using MessageFn = std::function<void(const std::string& message)>;
    virtual ~AllocationBackend() = default;

    // Start-up: opens the store; problems are shown and logged.
    virtual void Open() = 0;
    // Whether passed numbers are recorded and checked for duplicates.
    virtual bool DuplicateCheckOn() const = 0;
    // Whether MACs may come from outside the range.
    virtual bool TakesOutsideMacs() const { return true; }
    // Whether different channels may be served at the same time (each
    // channel's calls still come one at a time); otherwise every call comes
    // under the station's one allocation lock.
    virtual bool ChannelsIndependent() const { return false; }

    // The channel's numbers: those still booked to it from a device that did
    // not pass, else fresh ones. They are spent and booked durably before
    // this returns kTaken.
    virtual TakeOutcome Take(int channel, const NumberRequest& request, ChannelNumbers& numbers) = 0;

    // The device passed with these numbers: they leave the channel's booking
    // and are recorded (date "%04d-%02d-%02d %02d:%02d:%02d", station tag).
    virtual void Confirm(int channel, const ChannelNumbers& numbers, const std::string& date,
                         const std::string& stationTag) = 0;

    virtual bool IsMacUsed(int channel, const std::string& mac) = 0;

    virtual NextNumbers Next() = 0;
};

}  // namespace station
