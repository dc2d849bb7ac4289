// Walking a factory record file: always moves forward, stays inside the data,
// and every command it builds is one complete line.
#include "common/otp_record_file.h"
#include "require.h"

using fuzz_support::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t offset = 0;
    common::OtpRecord record;
    bool truncated = false;
    while (common::ReadOtpRecord(data, size, offset, record, truncated)) {
        Require(offset <= size);
        std::string command;
        common::OtpCommandResult result = common::OtpWriteCommand(record, command);
        if (result == common::OtpCommandResult::Command) {
            Require(command.rfind("otp_factory_write ", 0) == 0);
            Require(command.size() >= 2 && command.compare(command.size() - 2, 2, "\r\n") == 0);
        } else {
            Require(command.empty());
        }
        if (result == common::OtpCommandResult::End || truncated) break;
    }
    return 0;
}
