#include "devsim/model/debug_frames.h"

#include <cstring>

namespace devsim {

namespace {

bool Big(DebugForm form) { return form == DebugForm::Long; }

uint32_t Get(DebugForm form, const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        const int index = Big(form) ? i : bytes - 1 - i;
        v = v << 8 | p[index];
    }
    return v;
}

void Put(DebugForm form, ByteString& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        const int shift = Big(form) ? 8 * (bytes - 1 - i) : 8 * i;
        out.push_back(uint8_t(v >> shift));
    }
}

ByteString Header(DebugForm form, size_t payloadLength) {
    ByteString out = {0x7E, 0x79};
    Put(form, out, uint32_t(payloadLength), 2);
    if (Big(form)) Put(form, out, 0, 4);
    out.push_back(0x10);
    out.push_back(0);
    if (Big(form)) {
        out.push_back(0);
        out.push_back(0);
    }
    return out;
}

}  // namespace

size_t DebugFrameReader::HeaderSize() const { return Big(form_) ? 12 : 6; }

uint32_t DebugFrameReader::PayloadLength() const { return Get(form_, buffer_.data() + 2, 2); }

DebugFrameReader::Step DebugFrameReader::Push(uint8_t byte) {
    static const uint8_t kMagic[2] = {0x7E, 0x79};
    const size_t at = buffer_.size();
    if (at < 2 && byte != kMagic[at]) {
        buffer_.clear();
        return Step::NotFrame;
    }
    buffer_.push_back(byte);
    if (buffer_.size() == 4 && PayloadLength() > kMaxDebugPayload) {
        buffer_.clear();
        return Step::NotFrame;
    }
    if (buffer_.size() < HeaderSize() || buffer_.size() < HeaderSize() + PayloadLength()) return Step::NeedMore;
    return Step::Frame;
}

DebugRequest DebugFrameReader::Take() {
    DebugRequest request = Decode();
    buffer_.clear();
    return request;
}

DebugRequest DebugFrameReader::Decode() const {
    DebugRequest r;
    const uint8_t* p = buffer_.data() + HeaderSize();
    const size_t n = buffer_.size() - HeaderSize();
    if (n == 8 && std::memcmp(p, "ATQMXF", 6) == 0) {
        if (p[6] == 0x05 && p[7] == 0x21) r.kind = DebugRequest::Kind::Enter;
        if (p[6] == 0x18 && p[7] == 0x21) r.kind = DebugRequest::Kind::Leave;
        return r;
    }
    if (n < 8 || p[0] != 0x40) return r;
    r.busAddress = Get(form_, p + 2, 4);
    r.wordCount = uint16_t(Get(form_, p + 6, 2));
    if (p[1] == 0x72 && n == 8) {
        r.kind = DebugRequest::Kind::Read;
    } else if (p[1] == 0x77 && n == 8 + size_t(r.wordCount) * 4) {
        r.kind = DebugRequest::Kind::Write;
        for (size_t i = 0; i < r.wordCount; ++i) r.words.push_back(Get(form_, p + 8 + 4 * i, 4));
    }
    return r;
}

ByteString DebugReply(DebugForm form, uint8_t marker) {
    ByteString out = Header(form, 2);
    out.push_back(marker);
    out.push_back(kDebugAck);
    return out;
}

ByteString DebugReadReply(DebugForm form, const std::vector<uint32_t>& words) {
    ByteString out = Header(form, 2 + 4 * words.size());
    out.push_back(kDebugReadReply);
    for (uint32_t w : words) Put(form, out, w, 4);
    out.push_back(kDebugAck);
    return out;
}

}  // namespace devsim
