#pragma once
// A short text shared between a channel thread and the user interface: the
// writer replaces it whole, readers take a copy. Sized in wide characters
// (UTF-16 units) as the channel panels show them; longer text is cut.
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include "station/engine/log/text_convert.h"

namespace station {

class TextCell {
public:
    explicit TextCell(size_t capacity, std::string_view initial = {})
        : capacity_(capacity), text_(CutText(initial, capacity)) {}
    TextCell(const TextCell&) = delete;
    TextCell& operator=(const TextCell&) = delete;

    void Set(std::string_view text) {
        std::string cut = CutText(text, capacity_);
        std::lock_guard<std::mutex> guard(mutex_);
        text_.swap(cut);
    }
    std::string Get() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return text_;
    }
    size_t Capacity() const { return capacity_; }

private:
    const size_t capacity_;
    mutable std::mutex mutex_;
    std::string text_;
};

}  // namespace station
