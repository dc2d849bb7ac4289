#include "station/engine/alloc/pool_backend.h"

#include "station/engine/alloc/alloc_messages.h"
#include "station/engine/alloc/mac_sn_numbers.h"
#include "station/engine/alloc/pool_schema.h"
#include "station/engine/log/main_log.h"

namespace station {
namespace {

// Texts of the station → the server's bigint columns (NULL when none).
PoolParam MacParam(const std::string& mac) {
    const auto value = ParseMac(mac);
    return value ? PoolParam(std::to_string(*value)) : std::nullopt;
}

PoolParam SnParam(const std::string& sn) {
    if (sn.empty() || sn.find_first_not_of("0123456789") != std::string::npos || sn.size() > 18) return std::nullopt;
    return std::to_string(std::stoull(sn));
}

std::string Describe(const PendingPass& pass) {
    return "MAC " + (pass.mac.empty() ? std::string("-") : pass.mac) + " SN " +
           (pass.sn.empty() ? std::string("-") : pass.sn);
}

}  // namespace

void PoolBackend::LogPool(int channel, const std::string& text) {
    links_.at(size_t(channel)).problem = text;
    Log(channel, "pool %s: %s\n", config_.poolName.c_str(), text.c_str());
}

void PoolBackend::Open() {
    configProblem_ = ReadPoolConfig(settings_, config_);
    if (configProblem_.empty()) configProblem_ = EnsureStationId(settings_, config_);
    if (!configProblem_.empty()) {
        Log(0, "pool: %s\n", configProblem_.c_str());
        showMessage_("x pool: " + configProblem_);
        return;
    }
    Log(0, "pool %s: station %s\n", config_.poolName.c_str(), config_.stationId.c_str());
    std::lock_guard<std::mutex> guard(sharedLink_);
    for (Link& link : links_) link.db.Close();
    if (!Ready(0))
        showMessage_("x pool " + config_.poolName + ": " + links_[0].problem + "; no burn starts until this is mended");
}

bool PoolBackend::Ready(int channel) {
    if (!configProblem_.empty()) {
        Log(channel, "pool: %s\n", configProblem_.c_str());
        return false;
    }
    Link& link = links_.at(size_t(channel));
    if (!link.db.Connected()) {
        link.schemaChecked = false;
        if (!link.db.Connect(config_.conninfo, PoolApplicationName(config_.stationId))) {
            LogPool(channel, "server unreachable: " + link.db.Error());
            return false;
        }
    }
    if (link.schemaChecked) return true;
    std::string why;
    switch (CheckPoolSchema(link.db, why)) {
    case SchemaCheck::kCurrent: link.schemaChecked = true; return true;
    case SchemaCheck::kLost: LogPool(channel, "server unreachable: " + why); return false;
    case SchemaCheck::kRefused: break;
    }
    LogPool(channel, why);
    link.db.Close();
    return false;
}

PoolResult PoolBackend::Call(int channel, const std::string& sql, const std::vector<PoolParam>& params) {
    PoolConnection& db = links_.at(size_t(channel)).db;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!Ready(channel)) return {};
        PoolResult result = db.Exec(sql, params);
        if (result.Ok()) return result;
        if (!db.LostConnection()) {
            LogPool(channel, db.Error());
            return {};
        }
        LogPool(channel, "connection lost: " + db.Error());
    }
    return {};
}

TakeOutcome PoolBackend::Take(int channel, const NumberRequest& request, ChannelNumbers& numbers) {
    if (request.givenMac) return TakeOutcome::kRefused;  // the allocator refuses these before
    if (!ReplayPending(channel)) return TakeOutcome::kRefused;
    const PoolResult r = Call(channel, "SELECT o_status, o_mac, o_sn, o_prefix, o_width FROM torvane_take($1, $2, $3, $4, $5)",
                              {config_.poolName, config_.stationId, std::to_string(channel),
                               request.mac ? "true" : "false", request.sn ? "true" : "false"});
    if (!r.Ok() || r.Rows() != 1) return TakeOutcome::kRefused;
    const std::string status = r.Text(0, 0);
    if (status == "no_pool") {
        LogPool(channel, "no such pool on the server; run Torvane --pool-init");
        return TakeOutcome::kRefused;
    }
    if (status == "mac_end") {
        Log(channel, "%s\n", kMacRangeEndLog);
        showMessage_(kMacRangeEndMessage);
        return TakeOutcome::kRefused;
    }
    if (status == "sn_end") {
        Log(channel, "%s\n", kSnRangeEndLog);
        showMessage_(kSnRangeEndMessage);
        return TakeOutcome::kRefused;
    }
    if (!r.IsNull(0, 1)) numbers.mac = FormatMac(uint64_t(r.Number(0, 1)));
    if (status == "mac_used") return TakeOutcome::kMacUsed;
    if (status != "taken") {
        LogPool(channel, "unexpected answer " + status);
        return TakeOutcome::kRefused;
    }
    // The booking left without waiting for the server's disk; a commit of
    // our own waits for it (the log is flushed in order, so ours covers the
    // booking). The server waits only for a commit that wrote to its log, so
    // ours rewrites the channel's booking row unchanged. Never repeated on a
    // new connection: a server that restarted in between may have lost the
    // booking, so these numbers go nowhere.
    PoolConnection& db = links_.at(size_t(channel)).db;
    if (!db.Exec("UPDATE torvane_reservation SET taken = taken WHERE pool = $1 AND station_id = $2 AND channel = $3",
                 {config_.poolName, config_.stationId, std::to_string(channel)})
             .Ok()) {
        LogPool(channel, "booking not confirmed on the server's disk: " + db.Error());
        numbers = {};
        return TakeOutcome::kRefused;
    }
    numbers.macReserved = !numbers.mac.empty();
    if (!r.IsNull(0, 2)) {
        numbers.sn = FormatSnCounter(uint64_t(r.Number(0, 2)), int(r.Number(0, 4)));
        numbers.snRecord = r.Text(0, 3) + numbers.sn;
        numbers.snReserved = true;
    }
    return TakeOutcome::kTaken;
}

bool PoolBackend::RecordPass(int channel, const PendingPass& pass) {
    return Call(channel, "SELECT torvane_pass($1, $2, $3, $4, $5, $6)",
                {pass.pool, pass.stationId, std::to_string(channel), pass.date, MacParam(pass.mac), SnParam(pass.sn)})
        .Ok();
}

void PoolBackend::Confirm(int channel, const ChannelNumbers& numbers, const std::string& date, const std::string&) {
    if (numbers.mac.empty() && numbers.sn.empty()) return;
    const PendingPass pass{config_.poolName, config_.stationId, date, numbers.mac, numbers.sn};
    if (RecordPass(channel, pass)) return;
    const PendingPasses pending(settings_.Root(), channel);
    if (pending.Add(pass)) {
        LogPool(channel, "pass of " + Describe(pass) + " kept in " + pending.Path() + " until the server takes it");
        return;
    }
    LogPool(channel, "pass of " + Describe(pass) + " could not be written to " + pending.Path() +
                         "; the channel starts no burn until the server takes it");
    links_.at(size_t(channel)).unsaved.push_back(pass);
}

bool PoolBackend::ReplayPending(int channel) {
    const PendingPasses pending(settings_.Root(), channel);
    std::vector<PendingPass> passes;
    if (!pending.Read(passes)) {
        LogPool(channel, pending.Path() + " cannot be read; the channel starts no burn until it can");
        return false;
    }
    std::vector<PendingPass>& unsaved = links_.at(size_t(channel)).unsaved;
    if (passes.empty() && unsaved.empty()) return true;
    for (const std::vector<PendingPass>* list : {&passes, &unsaved})
        for (const PendingPass& pass : *list)
            if (!RecordPass(channel, pass)) {
                LogPool(channel, "pass of " + Describe(pass) +
                                     " not yet recorded on the server; the channel starts no burn until it is");
                return false;
            }
    if (!passes.empty() && !pending.Write({})) {
        LogPool(channel, pending.Path() + " cannot be removed; the channel starts no burn until it can");
        return false;
    }
    for (const PendingPass& pass : passes) LogPool(channel, "pass of " + Describe(pass) + " recorded from " + pending.Path());
    unsaved.clear();
    return true;
}

bool PoolBackend::IsMacUsed(int channel, const std::string& mac) {
    const PoolResult r =
        Call(channel, "SELECT 1 FROM torvane_passed WHERE pool = $1 AND mac = $2 LIMIT 1", {config_.poolName, MacParam(mac)});
    return r.Ok() && r.Rows() > 0;
}

NextNumbers PoolBackend::Next() {
    // Only on a live connection: the parameter page must not wait for a server.
    std::lock_guard<std::mutex> guard(sharedLink_);
    Link& link = links_[0];
    if (!link.db.Connected() || !link.schemaChecked) return next_;
    const PoolResult r = link.db.Exec("SELECT mac_next, sn_next, sn_width FROM torvane_pool WHERE name = $1", {config_.poolName});
    if (r.Ok() && r.Rows() == 1)
        next_ = {FormatMac(uint64_t(r.Number(0, 0))), FormatSnCounter(uint64_t(r.Number(0, 1)), int(r.Number(0, 2)))};
    return next_;
}

}  // namespace station
