#pragma once
// The station on the factory network: a third front end beside the windows
// and the terminal, with the same rights and no more. It serves the state
// and the device records as JSON under /api/v1, an event stream, the status
// page, and start/stop through the engine's own commands; and it hands the
// device records to the MES. Off unless [REMOTE] LISTEN or RECORD_URL is set.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "station/remote/channel_view.h"
#include "station/remote/event_hub.h"
#include "station/remote/listen_address.h"
#include "station/remote/record_sender.h"
#include "station/remote/remote_commands.h"

namespace httplib {
class Server;
struct Request;
}  // namespace httplib

namespace station {
class DeviceRecorder;
class StationFrontEnd;
}  // namespace station

namespace station::remote {

struct RemoteParts {
    StationEngine& engine;
    ChannelTable& channels;
    const StationSettings& settings;
    DeviceRecorder& records;
    StationFrontEnd& frontEnd;  // the station's own: messages, and where commands run
    std::string stationId;
};

inline constexpr const char* kProgramVersion = "3.5.9";
inline constexpr size_t kMaxRequestBody = 64 * 1024;
inline constexpr int kServerThreads = 96;  // each event-stream client holds one
inline constexpr int kThreadsKeptFromStreams = 8;

class RemoteStation {
public:
    explicit RemoteStation(RemoteParts parts);
    ~RemoteStation();
    RemoteStation(const RemoteStation&) = delete;
    RemoteStation& operator=(const RemoteStation&) = delete;

    // Reads [REMOTE] and starts what is configured. A listen address that is
    // bad or cannot be bound is an "x" message; the station runs on without
    // the interface.
    void Start();
    void Stop();
    // The port listened on, 0 when none.
    int Port() const { return port_; }

private:
    struct Access {
        int status = 0;  // 0 allowed, else 401 or 403
        std::string error;
    };
    Access Check(const httplib::Request& req, bool control) const;
    void Route();
    void WatchChannels();

    RemoteParts parts_;
    StationView view_;
    EventHub hub_;
    RemoteCommands commands_;
    std::unique_ptr<httplib::Server> server_;
    std::unique_ptr<RecordSender> sender_;
    ListenAddress address_;
    std::string token_;
    int port_ = 0;
    std::shared_ptr<void> tap_;  // the record listener's way to this station
    std::thread listener_;
    std::thread watcher_;
    std::mutex watchMutex_;
    // Held while channel changes are found and published, and while a new
    // event-stream client takes its first view and joins: no change falls
    // between the two.
    std::mutex publishMutex_;
    std::condition_variable watchWake_;
    bool stopping_ = false;
};

}  // namespace station::remote
