#pragma once
// Hands the device records in the outbox to the MES: each is POSTed as JSON
// to [REMOTE] RECORD_URL and removed from the outbox after a 2xx answer.
// Failed tries are repeated with back-off; the main log says when the
// receiver goes away and when it is back, not every retry. Delivery is at
// least once: the record's id lets the receiver drop a repeat.
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace station::remote {

class RecordSender {
public:
    RecordSender(std::string root, std::string url);
    ~RecordSender();

    // False (with a message for the log) when the URL cannot be used.
    bool Start(std::string& problem);
    void Stop();
    // A new record is in the outbox: try now.
    void Wake();

private:
    void Loop();
    enum class Try { kSent, kUnreachable, kRefused };
    // Sends what waits, up to the first failure; `delivered` counts the
    // records the receiver took.
    Try SendWaiting(std::string& why, int& delivered);

    const std::string root_;
    const std::string url_;
    std::string origin_, path_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace station::remote
