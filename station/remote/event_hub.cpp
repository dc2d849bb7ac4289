#include "station/remote/event_hub.h"

#include <algorithm>

namespace station::remote {

std::string EventHub::Client::Take(std::chrono::milliseconds wait, bool& ended) {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait_for(lock, wait, [this] { return ended_ || !queue_.empty(); });
    ended = ended_;
    std::string text;
    while (!queue_.empty()) {
        text += queue_.front();
        queue_.pop_front();
    }
    return text;
}

std::string EventHub::EventText(const std::string& name, const std::string& data) {
    return "event: " + name + "\ndata: " + data + "\n\n";
}

std::shared_ptr<EventHub::Client> EventHub::Join(const std::string& first) {
    auto client = std::make_shared<Client>();
    if (!first.empty()) client->queue_.push_back(first);
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) client->ended_ = true;
    else clients_.push_back(client);
    return client;
}

void EventHub::Leave(const std::shared_ptr<Client>& client) {
    std::lock_guard<std::mutex> lock(mutex_);
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

void EventHub::Publish(const std::string& name, const std::string& data) {
    const std::string text = EventText(name, data);
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = clients_.begin(); it != clients_.end();) {
        Client& client = **it;
        std::lock_guard<std::mutex> clientLock(client.mutex_);
        if (client.queue_.size() >= kClientQueueLimit) {
            // Too slow to follow: dropped rather than waited for.
            client.ended_ = true;
            client.queue_.clear();
            client.ready_.notify_all();
            it = clients_.erase(it);
            continue;
        }
        client.queue_.push_back(text);
        client.ready_.notify_all();
        ++it;
    }
}

void EventHub::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    for (auto& client : clients_) {
        std::lock_guard<std::mutex> clientLock(client->mutex_);
        client->ended_ = true;
        client->ready_.notify_all();
    }
    clients_.clear();
}

size_t EventHub::ClientCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return clients_.size();
}

}  // namespace station::remote
