#include "platform/shared_library.h"

#include <dlfcn.h>

namespace platform {

SharedLibrary::~SharedLibrary() {
    if (handle_) dlclose(handle_);
}

bool SharedLibrary::Load(const std::string& path) {
    if (handle_) dlclose(handle_);
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    // dlerror() hands its text out once: a second call gives null.
    const char* error = handle_ ? nullptr : dlerror();
    error_ = handle_ ? "" : (error ? error : "dlopen failed");
    return handle_ != nullptr;
}

void* SharedLibrary::Symbol(const std::string& name) const {
    return handle_ ? dlsym(handle_, name.c_str()) : nullptr;
}

}  // namespace platform
