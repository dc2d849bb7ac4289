#include "devsim/model/debug_port.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace devsim {

namespace {

// A frame whose bytes stop coming for this long is dropped, so that the next
// magic starts a fresh frame.
constexpr uint32_t kFrameStallMs = 1000;
constexpr uint32_t kBootModeRestartMs = 200;
constexpr uint32_t kSplitReplyDelayMs = 5;

// The loader image in RAM at `base` is the one expected, byte for byte (the
// tool's padding to whole words beyond it is not looked at).
bool ImageIntact(Device& device, uint32_t base) {
    const std::vector<uint8_t>& image = device.ExpectedLoader();
    for (size_t i = 0; i < image.size(); ++i)
        if (device.Ram().Read8(base + uint32_t(i)) != image[i]) return false;
    return true;
}

}  // namespace

std::unique_ptr<DebugPortHandler> MakeDebugPortHandler(Device& device, const DebugPortFaults& faults) {
    if (device.Type().IsQM2A()) return std::make_unique<BootDebugPort>(DebugForm::Short, faults);
    if (device.Type().IsQM2C()) return std::make_unique<BootDebugPort>(DebugForm::Long, faults);
    return nullptr;
}

size_t BootDebugPort::OnBytes(Device& device, const uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        restartDueMs_.reset();
        lastByteMs_ = device.NowMs();
        switch (reader_.Push(data[i])) {
            case DebugFrameReader::Step::NeedMore:
                break;
            case DebugFrameReader::Step::NotFrame:
                // Text for whoever runs (the loader after the debugger let go).
                device.DetachDebugPort();
                return i;
            case DebugFrameReader::Step::Frame:
                if (!Handle(device, reader_.Take())) return i + 1;
                break;
        }
    }
    return n;
}

void BootDebugPort::OnTick(Device& device, uint64_t nowMs) {
    if (reader_.InFrame() && nowMs - lastByteMs_ >= kFrameStallMs) reader_.Reset();
    if (restartDueMs_ && nowMs >= *restartDueMs_) {
        restartDueMs_.reset();
        Reset(device, false);
    }
}

void BootDebugPort::OnReset(Device&) {
    reader_.Reset();
    bannerRepeated_ = false;
    restartDueMs_.reset();
    target_.OnChipReset(resetByDebugger_);
}

void BootDebugPort::Reset(Device& device, bool requestedByDebugger) {
    resetByDebugger_ = requestedByDebugger;
    device.ResetToBootRom();
    resetByDebugger_ = false;
}

bool BootDebugPort::Handle(Device& device, const DebugRequest& request) {
    switch (request.kind) {
        case DebugRequest::Kind::Enter:
            if (device.Faults().bannerRepeat && !bannerRepeated_ &&
                device.CurrentPersonality() == PersonalityKind::BootRom) {
                // Still restarting: the frame is lost and the banner comes again.
                bannerRepeated_ = true;
                device.Announce();
                return true;
            }
            Answer(device, DebugReply(form_, kDebugEnterReply), "debug_enter");
            return true;
        case DebugRequest::Kind::Leave:
            Answer(device, DebugReply(form_, kDebugLeaveReply), "debug_leave");
            device.DetachDebugPort();
            return false;
        case DebugRequest::Kind::Read: {
            std::vector<uint32_t> words;
            for (uint32_t k = 0; k < request.wordCount; ++k)
                words.push_back(target_.Read(device, request.busAddress + 4 * k));
            Answer(device, DebugReadReply(form_, words), "debug_read");
            return true;
        }
        case DebugRequest::Kind::Write:
            return HandleWrite(device, request);
        case DebugRequest::Kind::Other:
            return true;  // the port ignores what it does not know
    }
    return true;
}

bool BootDebugPort::HandleWrite(Device& device, const DebugRequest& request) {
    DebugTarget::Effect effect = DebugTarget::Effect::None;
    for (size_t k = 0; k < request.words.size(); ++k) {
        DebugTarget::Effect e = target_.Write(device, request.busAddress + uint32_t(4 * k), request.words[k]);
        if (e != DebugTarget::Effect::None) effect = e;
    }
    const ByteString ack = DebugReply(form_, kDebugWriteReply);
    switch (effect) {
        case DebugTarget::Effect::ResetRequest:
            if (form_ == DebugForm::Short) {
                // The chip resets before it can answer, and its boot ROM comes
                // back at the loader rate.
                Reset(device, true);
                return false;
            } else {
                // The long-form port still answers; the boot ROM is back at
                // the loader rate.
                Reset(device, true);
                Answer(device, ack, "debug_write");
                return false;
            }
        case DebugTarget::Effect::Run:
            // Started before the answer: the switch drops scheduled output.
            if (target_.RunsImageInRam(device)) {
                startedEntry_ = target_.Pc();
                startedStack_ = target_.Msp();
                device.StartRamLoader(ImageIntact(device, target_.Pc() & ~0xFFFu));
            }
            Answer(device, ack, "debug_write");
            return true;  // stays on the line for the leave frame
        case DebugTarget::Effect::BootModeRequest:
            if (!target_.Halted()) restartDueMs_ = device.NowMs() + kBootModeRestartMs;
            Answer(device, ack, "debug_write");
            return true;
        case DebugTarget::Effect::StayInBootRom:
            return true;
        case DebugTarget::Effect::None:
            Answer(device, ack, "debug_write");
            return true;
    }
    return true;
}

void BootDebugPort::Answer(Device& device, const ByteString& reply, const char* requestName) {
    if (device.Faults().bootSilent || device.Faults().silentCommand == requestName) return;
    ++repliesSeen_;
    if (faults_.dropFirst > 0 && repliesSeen_ >= faults_.dropFirst && repliesSeen_ <= faults_.dropLast) return;
    const std::string_view bytes(reinterpret_cast<const char*>(reply.data()), reply.size());
    if (!faults_.splitReplies) {
        device.Reply(bytes);
        return;
    }
    const size_t half = reply.size() / 2;
    device.Reply(bytes.substr(0, half));
    ByteString tail(reply.begin() + long(half), reply.end());
    device.Schedule(kSplitReplyDelayMs, [&device, tail] { device.Emit(tail.data(), tail.size()); });
}

}  // namespace devsim
