#include "common/file_util.h"
#include "common/otp_record_file.h"
#include "common/print_log.h"
#include "pirrow/jobs.h"

namespace pirrow {

using common::PrintLog;

namespace {

// Sends the record file's write commands one by one.
bool WriteRecords(Session& s, const std::vector<uint8_t>& file) {
    size_t offset = 0;
    common::OtpFileStep step;
    while (common::NextOtpCommand(file, offset, step)) {
        const common::OtpRecord& record = step.record;
        const std::string& command = step.command;
        switch (step.kind) {
            case common::OtpCommandResult::End:
                PrintPercent(100);
                return true;
            case common::OtpCommandResult::Skip:
                PrintLog(false, "id %d len %d not support\n", record.id, int(record.value.size()));
                continue;
            case common::OtpCommandResult::LengthError:
                PrintLog(false, "id %d len %d error\n", record.id, int(record.value.size()));
                PrintPercent(100);
                return false;
            case common::OtpCommandResult::Command:
                PrintLog(false, "otpwrite: %s", command.c_str());
                s.link.Send(command);
                if (!s.link.ReadExpectRet("OTP_FACTORY_WRITE_PASS", "OTP_FACTORY_WRITE_FAIL", 3, -1, -1)) return false;
                break;
        }
    }
    // The file ended without the end record: it counts as the end.
    PrintPercent(100);
    return true;
}

}  // namespace

bool WrFactoryOtpAll(Session& s, const std::string& recordFile) {
    std::vector<uint8_t> file;
    bool ok = true;
    if (!common::ReadWholeFile(recordFile, file)) PrintPercent(100);
    else ok = WriteRecords(s, file);
    PrintLog(false, ok ? "WrFactoryOtpAll success \n" : "WrFactoryOtpAll fail \n");
    return ok;
}

}  // namespace pirrow
