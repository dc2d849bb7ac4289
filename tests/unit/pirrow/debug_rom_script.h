#pragma once
// A scripted boot ROM debug port for the tool's unit tests: it takes the
// frames the tool writes, byte for byte as the protocol defines them, and
// answers from a table the test fills.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/scripted_link.h"

namespace debug_test {

enum class Form { Short, Long };

struct Access {
    bool write;
    uint32_t bus;
    std::vector<uint32_t> words;  // data of a write, as values
};

class DebugRomScript {
public:
    explicit DebugRomScript(Form form) : form_(form) {}

    // Value a read of `bus` returns (default 0).
    std::function<uint32_t(uint32_t bus)> readValue = [](uint32_t) { return 0u; };
    // Return false to leave a request unanswered.
    std::function<bool(const Access&)> answer = [](const Access&) { return true; };
    bool answerEnter = true;
    uint32_t replyDelayMs = 1;

    std::vector<Access> accesses;
    int enters = 0;
    int leaves = 0;

    void OnWrite(testing_support::ScriptedLink& link, const std::string& chunk) {
        pending_ += chunk;
        while (TakeFrame(link)) {
        }
    }

    int ReadsOf(uint32_t bus) const {
        int n = 0;
        for (const Access& a : accesses) n += !a.write && a.bus == bus;
        return n;
    }

    std::string Header(size_t payloadLength) const {
        std::string h = "\x7E\x79";
        if (form_ == Form::Short) {
            h += char(payloadLength & 0xFF);
            h += char(payloadLength >> 8);
            h += std::string("\x10\x00", 2);
        } else {
            h += char(payloadLength >> 8);
            h += char(payloadLength & 0xFF);
            h += std::string("\x00\x00\x00\x00\x10\x00\x00\x00", 8);
        }
        return h;
    }
    std::string Reply(uint8_t marker) const { return Header(2) + char(marker) + '\x06'; }
    std::string ReadReply(uint32_t value) const {
        std::string r = Header(6) + '\xD2';
        for (int i = 0; i < 4; ++i) {
            int shift = form_ == Form::Short ? 8 * i : 24 - 8 * i;
            r += char((value >> shift) & 0xFF);
        }
        return r + '\x06';
    }

private:
    uint32_t Field(const std::string& s, size_t at, int bytes) const {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) {
            int index = form_ == Form::Long ? i : bytes - 1 - i;
            v = v << 8 | uint8_t(s[at + size_t(index)]);
        }
        return v;
    }

    bool TakeFrame(testing_support::ScriptedLink& link) {
        const size_t headerSize = form_ == Form::Short ? 6 : 12;
        if (pending_.size() < headerSize) return false;
        const size_t length = Field(pending_, 2, 2);
        if (pending_.size() < headerSize + length) return false;
        const std::string payload = pending_.substr(headerSize, length);
        pending_.erase(0, headerSize + length);
        if (payload.rfind("ATQMXF", 0) == 0) {
            if (payload[6] == '\x05') {
                ++enters;
                if (answerEnter) link.Reply(Reply(0xD1), replyDelayMs);
            } else {
                ++leaves;
                link.Reply(Reply(0xD0), replyDelayMs);
            }
            return true;
        }
        Access a{payload[1] == '\x77', Field(payload, 2, 4), {}};
        if (a.write) {
            for (size_t at = 8; at + 4 <= payload.size(); at += 4) a.words.push_back(Field(payload, at, 4));
        }
        accesses.push_back(a);
        if (!answer(a)) return true;
        link.Reply(a.write ? Reply(0xD3) : ReadReply(readValue(a.bus)), replyDelayMs);
        return true;
    }

    Form form_;
    std::string pending_;
};

}  // namespace debug_test
