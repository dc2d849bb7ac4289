#pragma once
#include <string>

namespace velkan {

// The outside tool that decrypts and encrypts loader images:
//   vesctool dec --img=<plain> --eimg=<encrypted>   (writes <plain>)
//   vesctool enc --img=<plain> --eimg=<encrypted>   (writes <encrypted>)
// Its output is dropped; only its end is waited for. Whether it worked shows
// in the file it was to write.
class Vesctool {
public:
    explicit Vesctool(std::string program) : program_(std::move(program)) {}

    // Looked for beside the running program first, then on the search path.
    // Empty when there is none.
    static std::string Locate();

    void Decrypt(const std::string& plain, const std::string& encrypted) const { Run("dec", plain, encrypted); }
    void Encrypt(const std::string& plain, const std::string& encrypted) const { Run("enc", plain, encrypted); }

    const std::string& program() const { return program_; }

private:
    void Run(const char* verb, const std::string& plain, const std::string& encrypted) const;

    std::string program_;
};

}  // namespace velkan
