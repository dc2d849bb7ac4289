#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace velkan {

// Every text the editor shows the operator, in one place.
namespace msg {
std::string NoDriverFileSelected();                       // "no driver file select !"
std::string OpenFileFail(const std::string& path);        // "open file fail: %s !"
std::string ImageTooShort(uint64_t size);                 // "file len error %d <= %d !"
std::string ConfigFileSize(uint64_t size);                // "file len error %d != %d !"
std::string MallocError(uint64_t size);                   // "malloc error %d !"
std::string CreateOutFileFail();                          // "create out file fail !"
std::string CreateFileFail(const std::string& path);      // "create file fail: %s !"
std::string BlockNotFound();                              // "not find user configure data: ..."
std::string FileFlagError(uint32_t header, uint32_t tail, uint32_t version);
std::string EncryptFail(const std::string& path);         // the encrypting tool made no image
std::string PinValueError(int row);
std::string PmicSclPinError();
std::string PmicSdaPinError();
std::string FlashValueError(int row, const char* field);  // field: id0 id1 id2 flag mem_size
}  // namespace msg

// Where messages go: a message box in the editor, a list in tests.
using MessageSink = std::function<void(const std::string&)>;

}  // namespace velkan
