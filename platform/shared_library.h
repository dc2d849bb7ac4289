#pragma once
#include <string>

namespace platform {

// A library loaded at run time (dlopen), closed when this object goes.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool Load(const std::string& path);
    void* Symbol(const std::string& name) const;
    bool IsLoaded() const { return handle_ != nullptr; }
    std::string LastError() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace platform
