#pragma once
// The event stream's fan-out: every client has its own bounded queue of
// ready-made event texts. Publishing never waits: a client whose queue is
// full is dropped (its stream ends), so a slow browser costs nobody else.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace station::remote {

class EventHub {
public:
    static constexpr size_t kClientQueueLimit = 512;

    class Client {
    public:
        // The queued events, waiting up to `wait` for one. Empty when none
        // came; `ended` when the client was dropped or the hub closed.
        std::string Take(std::chrono::milliseconds wait, bool& ended);

    private:
        friend class EventHub;
        std::mutex mutex_;
        std::condition_variable ready_;
        std::deque<std::string> queue_;
        bool ended_ = false;
    };

    // A new client; `first` is queued before anything published after.
    std::shared_ptr<Client> Join(const std::string& first);
    void Leave(const std::shared_ptr<Client>& client);
    // "event: <name>\ndata: <data>\n\n" to every client.
    void Publish(const std::string& name, const std::string& data);
    // Ends every stream (the interface is closing).
    void Close();
    size_t ClientCount();

    static std::string EventText(const std::string& name, const std::string& data);

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<Client>> clients_;
    bool closed_ = false;
};

}  // namespace station::remote
