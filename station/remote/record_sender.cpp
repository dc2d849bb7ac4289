#include "station/remote/record_sender.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <regex>

#include "station/engine/log/main_log.h"
#include "station/engine/record/record_outbox.h"

namespace station::remote {

namespace {

constexpr size_t kBatch = 64;
constexpr auto kFirstBackOff = std::chrono::milliseconds(100);
constexpr auto kLongestBackOff = std::chrono::seconds(30);
// With nothing new, the outbox is still looked at now and then (records left
// by an earlier run, or written while a try was under way).
constexpr auto kIdleLook = std::chrono::seconds(10);
constexpr int kRefusalsForGone = 3;

}  // namespace

RecordSender::RecordSender(std::string root, std::string url) : root_(std::move(root)), url_(std::move(url)) {}

RecordSender::~RecordSender() { Stop(); }

bool RecordSender::Start(std::string& problem) {
    static const std::regex form(R"((https?://[^/?#]+)([/?][^#]*)?)");
    std::smatch m;
    if (!std::regex_match(url_, m, form)) {
        problem = "x 设备记录接收地址无效：" + url_;
        return false;
    }
    origin_ = m[1];
    path_ = m[2].matched ? std::string(m[2]) : "/";
    stop_ = false;
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void RecordSender::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
}

void RecordSender::Wake() {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
    wake_.notify_all();
}

RecordSender::Try RecordSender::SendWaiting(std::string& why, int& delivered) {
    delivered = 0;
    httplib::Client client(origin_);
    client.set_connection_timeout(std::chrono::seconds(2));
    client.set_read_timeout(std::chrono::seconds(5));
    client.set_write_timeout(std::chrono::seconds(5));
    client.set_keep_alive(true);
    for (;;) {
        const std::vector<OutboxEntry> entries = OutboxEntries(root_, kBatch);
        if (entries.empty()) return Try::kSent;
        for (const OutboxEntry& entry : entries) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stop_) return Try::kSent;
            }
            const httplib::Result answer = client.Post(path_, entry.json, "application/json");
            if (!answer) {
                why = httplib::to_string(answer.error());
                return Try::kUnreachable;
            }
            if (answer->status < 200 || answer->status > 299) {
                why = "HTTP " + std::to_string(answer->status);
                return Try::kRefused;
            }
            RemoveFromOutbox(entry);
            ++delivered;
        }
    }
}

// The receiver is gone when it cannot be reached, or when it refused the
// last few tries in a row; one refusal now and then is only retried. It is
// back with the first record it takes.
void RecordSender::Loop() {
    bool receiverGone = false;
    int refusedInARow = 0;
    auto backOff = kFirstBackOff;
    for (;;) {
        std::string why;
        int delivered = 0;
        const Try outcome = SendWaiting(why, delivered);
        const bool sent = outcome == Try::kSent;
        refusedInARow = outcome != Try::kRefused ? 0 : delivered > 0 ? 1 : refusedInARow + 1;
        if (delivered > 0 && receiverGone) {
            Log(0, "设备记录接收方已恢复：%s\n", url_.c_str());
            receiverGone = false;
        }
        if (!receiverGone && (outcome == Try::kUnreachable || refusedInARow >= kRefusalsForGone)) {
            Log(0, "设备记录接收方不可用：%s %s，记录保留在 record/outbox 中重试\n", url_.c_str(), why.c_str());
            receiverGone = true;
        }
        // Back-off grows only while nothing gets through.
        backOff = delivered > 0 || sent ? kFirstBackOff : std::min<std::chrono::milliseconds>(backOff * 2, kLongestBackOff);
        std::unique_lock<std::mutex> lock(mutex_);
        // After a failed try a new record does not hurry the next one; the
        // back-off does.
        wake_.wait_for(lock, sent ? std::chrono::duration_cast<std::chrono::milliseconds>(kIdleLook) : backOff,
                       [&] { return stop_ || (sent && woken_); });
        woken_ = false;
        if (stop_) return;
    }
}

}  // namespace station::remote
