#include "velkan/messages.h"

#include <cstdarg>
#include <cstdio>

#include "velkan/user_config_block.h"

namespace velkan::msg {
namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(n > 0 ? size_t(n) : 0, '\0');
    if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format, args);
    va_end(args);
    return out;
}

}  // namespace

std::string NoDriverFileSelected() { return "no driver file select !"; }
std::string OpenFileFail(const std::string& path) { return Format("open file fail: %s !", path.c_str()); }
std::string ImageTooShort(uint64_t size) {
    return Format("file len error %llu <= %d !", static_cast<unsigned long long>(size), int(kBlockSize));
}
std::string ConfigFileSize(uint64_t size) {
    return Format("file len error %llu != %d !", static_cast<unsigned long long>(size), int(kBlockSize));
}
std::string MallocError(uint64_t size) { return Format("malloc error %llu !", static_cast<unsigned long long>(size)); }
std::string CreateOutFileFail() { return "create out file fail !"; }
std::string CreateFileFail(const std::string& path) { return Format("create file fail: %s !", path.c_str()); }
std::string BlockNotFound() {
    return Format("not find user configure data: header:0x%x tail:0x%x version:0x%x !", kBlockHeader, kBlockTail,
                  kBlockVersion);
}
std::string FileFlagError(uint32_t header, uint32_t tail, uint32_t version) {
    return Format("file flag error: 0x%x 0x%x 0x%x!", header, tail, version);
}
std::string EncryptFail(const std::string& path) { return Format("encrypt file fail: %s !", path.c_str()); }
std::string PinValueError(int row) { return Format("%d line pin value error !", row); }
std::string PmicSclPinError() { return "pmic scl pin value error !"; }
std::string PmicSdaPinError() { return "pmic sda pin value error !"; }
std::string FlashValueError(int row, const char* field) {
    return Format("%d line flash %s value error !", row, field);
}

}  // namespace velkan::msg
