#include "devsim/model/state_file.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "common/file_util.h"
#include "common/image_crc.h"

namespace devsim {

namespace {

constexpr char kMagic[8] = {'D', 'V', 'S', 'M', 'S', 'T', '0', '1'};

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int k = 0; k < 4; ++k) out.push_back(uint8_t(v >> (8 * k)));
}

struct Reader {
    const std::vector<uint8_t>& data;
    size_t pos = 0;
    bool Has(size_t n) const { return data.size() - pos >= n; }
    bool U32(uint32_t& v) {
        if (!Has(4)) return false;
        v = uint32_t(data[pos]) | uint32_t(data[pos + 1]) << 8 | uint32_t(data[pos + 2]) << 16 |
            uint32_t(data[pos + 3]) << 24;
        pos += 4;
        return true;
    }
};

bool SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

}  // namespace

bool SaveStateFile(const std::string& path, const std::string& deviceType, const DeviceState& state,
                   std::string* error) {
    std::vector<uint8_t> out(kMagic, kMagic + 8);
    Put32(out, uint32_t(deviceType.size()));
    out.insert(out.end(), deviceType.begin(), deviceType.end());
    std::vector<std::pair<uint32_t, const uint8_t*>> chunks;
    state.flash.ForEachChunk([&](uint32_t address, const uint8_t* data) { chunks.push_back({address, data}); });
    Put32(out, uint32_t(chunks.size()));
    for (const auto& [address, data] : chunks) {
        Put32(out, address);
        out.insert(out.end(), data, data + FlashArray::kChunk);
    }
    Put32(out, uint32_t(state.otp.Records().size()));
    for (const auto& [id, value] : state.otp.Records()) {
        out.push_back(id);
        out.push_back(uint8_t(value.form));
        out.push_back(uint8_t(value.bytes.size()));
        out.push_back(uint8_t(value.bytes.size() >> 8));
        out.insert(out.end(), value.bytes.begin(), value.bytes.end());
    }
    Put32(out, common::ImageCrc(out.data(), out.size()));

    const std::string temp = path + ".tmp" + std::to_string(getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return SetError(error, "cannot create " + temp);
    size_t done = 0;
    while (done < out.size()) {
        ssize_t w = ::write(fd, out.data() + done, out.size() - done);
        if (w <= 0) {
            ::close(fd);
            ::unlink(temp.c_str());
            return SetError(error, "cannot write " + temp);
        }
        done += size_t(w);
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return SetError(error, "cannot replace " + path);
    }
    return true;
}

bool SaveStateFile(const std::string& path, const Device& device, std::string* error) {
    return SaveStateFile(path, device.Type().Name(), device.State(), error);
}

bool ReadStateFile(const std::string& path, StateFile& out, std::string* error) {
    std::vector<uint8_t> data;
    if (!common::ReadWholeFile(path, data)) return SetError(error, "cannot read " + path);
    if (data.size() < 8 + 4 + 4 + 4 + 4 || std::memcmp(data.data(), kMagic, 8) != 0)
        return SetError(error, path + " is no devsim state file");
    const uint32_t stored = uint32_t(data[data.size() - 4]) | uint32_t(data[data.size() - 3]) << 8 |
                            uint32_t(data[data.size() - 2]) << 16 | uint32_t(data[data.size() - 1]) << 24;
    if (common::ImageCrc(data.data(), data.size() - 4) != stored) return SetError(error, path + ": CRC mismatch");
    data.resize(data.size() - 4);
    Reader r{data, 8};
    uint32_t nameLength = 0;
    if (!r.U32(nameLength) || !r.Has(nameLength)) return SetError(error, path + ": truncated");
    out.deviceType.assign(data.begin() + long(r.pos), data.begin() + long(r.pos + nameLength));
    r.pos += nameLength;
    out.state.flash.SetLayout(DeviceType(out.deviceType).Regions());
    out.state.otp.Clear();
    uint32_t chunks = 0;
    if (!r.U32(chunks)) return SetError(error, path + ": truncated");
    for (uint32_t k = 0; k < chunks; ++k) {
        uint32_t address = 0;
        if (!r.U32(address) || !r.Has(FlashArray::kChunk)) return SetError(error, path + ": truncated");
        if (!out.state.flash.LoadChunk(address, data.data() + r.pos))
            return SetError(error, path + ": flash chunk outside the device");
        r.pos += FlashArray::kChunk;
    }
    uint32_t records = 0;
    if (!r.U32(records)) return SetError(error, path + ": truncated");
    for (uint32_t k = 0; k < records; ++k) {
        if (!r.Has(4)) return SetError(error, path + ": truncated");
        const uint8_t id = data[r.pos];
        const uint8_t form = data[r.pos + 1];
        const size_t length = size_t(data[r.pos + 2]) | size_t(data[r.pos + 3]) << 8;
        r.pos += 4;
        if (!r.Has(length) || form < 1 || form > 3) return SetError(error, path + ": bad record");
        OtpValue value;
        value.form = OtpValueForm(form);
        value.bytes.assign(data.begin() + long(r.pos), data.begin() + long(r.pos + length));
        r.pos += length;
        out.state.otp.Write(id, value);
    }
    if (r.pos != data.size()) return SetError(error, path + ": trailing bytes");
    return true;
}

bool LoadStateFile(const std::string& path, Device& device, std::string* error) {
    StateFile file;
    if (!ReadStateFile(path, file, error)) return false;
    DeviceState& target = device.State();
    target.flash.EraseEverything();
    bool ok = true;
    file.state.flash.ForEachChunk([&](uint32_t address, const uint8_t* data) {
        ok = ok && target.flash.LoadChunk(address, data);
    });
    if (!ok) {
        target.flash.EraseEverything();
        return SetError(error, path + ": flash of device type \"" + file.deviceType + "\" does not fit \"" +
                                   device.Type().Name() + "\"");
    }
    target.otp = std::move(file.state.otp);
    return true;
}

}  // namespace devsim
