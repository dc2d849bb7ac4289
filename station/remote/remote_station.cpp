#include "station/remote/remote_station.h"

#include <httplib.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "common/file_util.h"
#include "station/engine/jobs/job_services.h"
#include "station/engine/log/main_log.h"
#include "station/engine/record/device_record.h"
#include "station/engine/record/device_recorder.h"
#include "station/engine/settings/station_settings.h"
#include "station/remote/status_page.h"

namespace station::remote {

namespace {

using nlohmann::json;
constexpr const char* kJson = "application/json; charset=utf-8";
constexpr auto kWatchPeriod = std::chrono::milliseconds(200);
constexpr int kSettingsEveryTicks = 10;  // the kept settings are read every 2 s
constexpr auto kKeepAlive = std::chrono::seconds(15);

void Reply(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), kJson);
}

void Fail(httplib::Response& res, int status, const std::string& error) { Reply(res, status, {{"error", error}}); }

// {"all":true} or {"channels":[1,3]}; false with the reason.
bool ParseSelection(const std::string& body, bool& all, std::vector<int>& channels, std::string& error) {
    const json request = json::parse(body, nullptr, false);
    if (request.is_discarded() || !request.is_object()) {
        error = "the body must be a JSON object";
        return false;
    }
    all = false;
    channels.clear();
    if (request.size() != 1) {
        error = "give either \"all\":true or \"channels\":[...]";
        return false;
    }
    if (request.contains("all")) {
        all = request["all"].is_boolean() && request["all"].get<bool>();
        if (!all) error = "\"all\" must be true";
        return all;
    }
    const json& list = request.contains("channels") ? request["channels"] : json();
    if (!list.is_array() || list.empty()) {
        error = "\"channels\" must be a list of channel numbers";
        return false;
    }
    std::set<int> seen;
    for (const json& item : list) {
        if (!item.is_number_integer() || item.get<int64_t>() < 1 || item.get<int64_t>() > kChannelCount) {
            error = "channel numbers are 1 to 16";
            return false;
        }
        if (seen.insert(item.get<int>()).second) channels.push_back(item.get<int>());
    }
    return true;
}

bool ParseDay(const std::string& text, platform::LocalTime& day) {
    static const std::regex form(R"((\d{4})-(\d{2})-(\d{2}))");
    std::smatch m;
    if (!std::regex_match(text, m, form)) return false;
    day.year = std::stoi(m[1]);
    day.month = std::stoi(m[2]);
    day.day = std::stoi(m[3]);
    return day.month >= 1 && day.month <= 12 && day.day >= 1 && day.day <= 31;
}

// The day's records as one JSON array (empty on a day without records); a
// line cut short by a crash is left out. Nothing when the file is there but
// cannot be read: that is not a day without records.
std::optional<std::string> RecordsOfDay(const std::string& path, std::string& why) {
    std::vector<uint8_t> data;
    if (!common::ReadWholeFile(path, data)) {
        if (errno == ENOENT) return "[]";
        why = std::strerror(errno);
        return std::nullopt;
    }
    std::istringstream in(std::string(data.begin(), data.end()));
    std::string array = "[";
    for (std::string line; std::getline(in, line);) {
        if (!json::accept(line)) continue;
        if (array.size() > 1) array += ",";
        array += line;
    }
    return array + "]";
}

// Between a record listener (kept by the recorder for the whole run) and a
// remote station that may be gone.
struct RecordTap {
    std::mutex mutex;
    EventHub* hub = nullptr;
    RecordSender* sender = nullptr;
};

}  // namespace

RemoteStation::RemoteStation(RemoteParts parts)
    : parts_(parts),
      view_(parts.engine, parts.channels, parts.settings, parts.stationId, kProgramVersion),
      commands_(parts.engine, parts.frontEnd) {}

RemoteStation::~RemoteStation() { Stop(); }

void RemoteStation::Start() {
    const StationSettings& settings = parts_.settings;
    token_ = settings.Read(REMOTE::TOKEN);
    const std::string listen = settings.Read(REMOTE::LISTEN);
    const std::string url = settings.Read(REMOTE::RECORD_URL);

    if (!url.empty()) {
        sender_ = std::make_unique<RecordSender>(settings.Root(), url);
        std::string problem;
        if (!sender_->Start(problem)) {
            parts_.frontEnd.Message(problem);
            sender_.reset();
        }
    }
    auto tap = std::make_shared<RecordTap>();
    tap->hub = &hub_;
    tap->sender = sender_.get();
    tap_ = tap;
    parts_.records.AddListener([tap](const DeviceRecord&, const std::string& json) {
        std::lock_guard<std::mutex> lock(tap->mutex);
        if (tap->hub) tap->hub->Publish("record", json);
        if (tap->sender) tap->sender->Wake();
    });

    if (listen.empty()) return;
    const std::optional<ListenAddress> address = ParseListenAddress(listen);
    if (!address) {
        parts_.frontEnd.Message("x 网络接口地址无效：" + listen);
        return;
    }
    address_ = *address;
    server_ = std::make_unique<httplib::Server>();
    server_->new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    server_->set_payload_max_length(kMaxRequestBody);
    // Headers and body go out in two writes: without this the body waits for
    // the client's delayed acknowledgement, some 40 ms per request.
    server_->set_tcp_nodelay(true);
    Route();
    errno = 0;
    if (address_.port == 0) {
        port_ = server_->bind_to_any_port(address_.host);
    } else {
        port_ = server_->bind_to_port(address_.host, address_.port) ? address_.port : -1;
    }
    if (port_ <= 0) {
        const std::string cause = errno ? std::strerror(errno) : "bind failed";
        parts_.frontEnd.Message("x 网络接口无法监听：" + listen + " " + cause);
        server_.reset();
        port_ = 0;
        return;
    }
    const bool v6 = address_.host.find(':') != std::string::npos;
    Log(0, "网络接口已启动：http://%s%s%s:%d/\n", v6 ? "[" : "", address_.host.c_str(), v6 ? "]" : "", port_);
    listener_ = std::thread([this] { server_->listen_after_bind(); });
    watcher_ = std::thread([this] { WatchChannels(); });
}

void RemoteStation::Stop() {
    if (auto tap = std::static_pointer_cast<RecordTap>(tap_)) {
        std::lock_guard<std::mutex> lock(tap->mutex);
        tap->hub = nullptr;
        tap->sender = nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(watchMutex_);
        stopping_ = true;
        watchWake_.notify_all();
    }
    if (watcher_.joinable()) watcher_.join();
    commands_.Close();
    hub_.Close();
    if (server_) server_->stop();
    if (listener_.joinable()) listener_.join();
    if (sender_) sender_->Stop();
}

void RemoteStation::WatchChannels() {
    for (int tick = 1;; ++tick) {
        {
            std::unique_lock<std::mutex> lock(watchMutex_);
            if (watchWake_.wait_for(lock, kWatchPeriod, [this] { return stopping_; })) return;
        }
        std::lock_guard<std::mutex> publishing(publishMutex_);
        for (const ChannelView& changed : view_.Refresh(tick % kSettingsEveryTicks == 0))
            hub_.Publish("channel", ChannelJson(changed));
    }
}

// Reading is open on loopback; beyond it, and for control, the token is
// needed. Control is off while no token is configured.
RemoteStation::Access RemoteStation::Check(const httplib::Request& req, bool control) const {
    if (!control && address_.loopback) return {};
    if (token_.empty())
        return {403, control ? "control is off: no token is configured"
                             : "reading beyond loopback needs a token: none is configured"};
    std::string presented;
    if (req.has_header("Authorization")) {
        const std::string header = req.get_header_value("Authorization");
        static const std::string kBearer = "Bearer ";
        if (header.size() <= kBearer.size() || header.compare(0, kBearer.size(), kBearer) != 0)
            return {401, "the Authorization header must be \"Bearer <token>\""};
        presented = header.substr(kBearer.size());
    } else if (!control && req.has_param("token")) {
        presented = req.get_param_value("token");  // a browser's event stream cannot send headers
    } else {
        return {401, "missing Authorization: Bearer <token>"};
    }
    if (!TokensEqual(presented, token_)) return {403, "wrong token"};
    return {};
}

void RemoteStation::Route() {
    httplib::Server& s = *server_;
    auto guard = [this](bool control, auto handler) {
        return [this, control, handler](const httplib::Request& req, httplib::Response& res) {
            const Access access = Check(req, control);
            if (access.status != 0) return Fail(res, access.status, access.error);
            handler(req, res);
        };
    };
    s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return;
        const std::string text = res.status == 404   ? "not found"
                                 : res.status == 413 ? "request body larger than 64 KiB"
                                                     : "HTTP " + std::to_string(res.status);
        Fail(res, res.status, text);
    });
    s.Get("/", guard(false, [this](const httplib::Request& req, httplib::Response& res) {
              const std::string query = req.has_param("token") ? "?token=" + req.get_param_value("token") : "";
              res.set_content(StatusPage(view_.StationLine(), view_.Channels(), query), "text/html; charset=utf-8");
          }));
    s.Get("/api/v1/station", guard(false, [this](const httplib::Request&, httplib::Response& res) {
              res.set_content(view_.StationJson(), kJson);
          }));
    s.Get("/api/v1/channels", guard(false, [this](const httplib::Request&, httplib::Response& res) {
              res.set_content(view_.ChannelsJson(), kJson);
          }));
    s.Get("/api/v1/records", guard(false, [this](const httplib::Request& req, httplib::Response& res) {
              platform::LocalTime day = platform::LocalTimeNow();
              if (req.has_param("date") && !ParseDay(req.get_param_value("date"), day))
                  return Fail(res, 400, "date must be YYYY-MM-DD");
              const std::string path = DeviceRecordsPath(parts_.settings.Root(), day);
              std::string why;
              const std::optional<std::string> records = RecordsOfDay(path, why);
              if (!records) return Fail(res, 500, "the records cannot be read: " + path + " " + why);
              res.set_content(*records, kJson);
          }));
    s.Get("/api/v1/events", guard(false, [this](const httplib::Request&, httplib::Response& res) {
              // Each stream holds a server thread: the last few stay for
              // everything else, control above all.
              if (hub_.ClientCount() + kThreadsKeptFromStreams >= size_t(kServerThreads))
                  return Fail(res, 503, "too many event-stream clients");
              std::shared_ptr<EventHub::Client> client;
              {
                  std::lock_guard<std::mutex> publishing(publishMutex_);
                  std::string first;
                  for (const ChannelView& v : view_.Channels()) first += EventHub::EventText("channel", ChannelJson(v));
                  client = hub_.Join(first);
              }
              res.set_header("Cache-Control", "no-cache");
              res.set_chunked_content_provider(
                  "text/event-stream",
                  [client](size_t, httplib::DataSink& sink) {
                      bool ended = false;
                      std::string text = client->Take(std::chrono::duration_cast<std::chrono::milliseconds>(kKeepAlive), ended);
                      // What was queued before the end still goes out.
                      if (text.empty() && !ended) text = ": keep-alive\n\n";
                      if (!text.empty() && !sink.write(text.data(), text.size())) return false;
                      if (ended) sink.done();
                      return true;
                  },
                  [this, client](bool) { hub_.Leave(client); });
          }));
    auto command = [this](bool start) {
        return [this, start](const httplib::Request& req, httplib::Response& res) {
            bool all = false;
            std::vector<int> channels;
            std::string error;
            if (!ParseSelection(req.body, all, channels, error)) return Fail(res, 400, error);
            const CommandOutcome outcome = start ? (all ? commands_.StartAll() : commands_.StartChannels(channels))
                                                 : (all ? commands_.StopAll() : commands_.StopChannels(channels));
            const char* key = start ? "started" : "stopped";
            if (outcome.refused) return Reply(res, 409, {{"error", outcome.text}, {key, outcome.channels}});
            Reply(res, 200, {{key, outcome.channels}});
        };
    };
    s.Post("/api/v1/start", guard(true, command(true)));
    s.Post("/api/v1/stop", guard(true, command(false)));
}

}  // namespace station::remote
