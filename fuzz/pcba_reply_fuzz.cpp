// The PCBA test's replies from arbitrary bytes, as the UART tool takes them:
// the first byte picks the item, the rest arrives in pieces (a length byte,
// then that many bytes) through the status-token wait; an answered item's
// reply then goes through the data checks both tools make.
#include <algorithm>
#include <string>

#include "common/factory_reply.h"
#include "pirrow/pcba_items.h"
#include "pirrow/reply_wait.h"
#include "pirrow/uart_link.h"
#include "platform/clock.h"
#include "require.h"

using fuzz_support::Require;

namespace {

// Hands the input out piece by piece, one piece per read, a millisecond
// apart; once it is spent, every wait runs to its deadline.
class PieceSource : public pirrow::ReplySource {
public:
    PieceSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    platform::Clock& clock() override { return clock_; }

    size_t ReadReply(std::string& out, size_t max) override {
        if (pos_ >= size_ || clock_.NowUs() < readyUs_) return 0;
        if (pieceLeft_ == 0) pieceLeft_ = std::max<size_t>(1, data_[pos_++]);
        const size_t n = std::min({pieceLeft_, size_ - pos_, max});
        out.append(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        pieceLeft_ -= n;
        readyUs_ = clock_.NowUs() + 1000;
        return n;
    }

    bool WaitForData(uint64_t deadlineUs) override {
        const uint64_t wake = pos_ < size_ ? std::min(deadlineUs, readyUs_) : deadlineUs;
        if (wake > clock_.NowUs()) clock_.AdvanceUs(wake - clock_.NowUs());
        return pos_ < size_;
    }

private:
    platform::VirtualClock clock_;
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    size_t pieceLeft_ = 0;
    uint64_t readyUs_ = 0;
};

void CheckItemData(pirrow::PcbaCheck check, const std::string& reply) {
    switch (check) {
        case pirrow::PcbaCheck::None:
            break;
        case pirrow::PcbaCheck::InfoData: {
            const common::ReplyCheck info = common::CheckInfoData(reply, "norva_ble", "v1.0.0.1");
            Require(info.ok == info.error.empty());
            break;
        }
        case pirrow::PcbaCheck::BtData: {
            const common::BtDataResult bt = common::ParseBtData(reply);
            Require(bt.consoleLines.size() <= 4);
            break;
        }
        case pirrow::PcbaCheck::WifiVersion: {
            const common::WifiResult wifi = common::ParseWifiVersion(reply);
            Require(wifi.check.ok || wifi.version.empty());
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const pirrow::PcbaItem& item = pirrow::kPcbaItems[data[0] % pirrow::kPcbaItems.size()];
    PieceSource source(data + 1, size - 1);
    std::string reply;
    const pirrow::ReplyWait wait =
        pirrow::TokenWait(item.okToken, item.failToken, 3, 1000, pirrow::kReplyLimit, /*endWhenFull=*/true);
    const pirrow::PollStep step = pirrow::WaitReply(source, reply, wait);
    Require(reply.size() <= pirrow::kReplyLimit);
    Require(source.clock().NowUs() <= 3 * 1000 * 1000);
    if (step == pirrow::PollStep::Pass) {
        Require(reply.find(item.okToken) != std::string::npos);
        CheckItemData(item.check, reply);
    }
    // The payment slot's replies.
    if (const auto model = common::FindModelId(reply)) Require(model->size() <= 20);
    (void)common::ThirdFuncFailValue(reply);
    return 0;
}
