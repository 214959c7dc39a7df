#include "platform/program.h"

#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

namespace gv {

InstanceLock::InstanceLock(const std::string& name, const std::string& dir) {
    std::string base = dir;
    std::string file = name + ".lock";
    if (base.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime && *runtime && std::filesystem::is_directory(runtime)) {
            base = runtime;
        } else {
            std::error_code ec;
            base = std::filesystem::temp_directory_path(ec).string();
            if (ec || base.empty()) base = "/tmp";
            file = name + "-" + std::to_string(getuid()) + ".lock";
        }
    }
    path_ = base + "/" + file;
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;  // no lock can be had: let this copy run rather than refuse to start
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        previous_ = true;
        ::close(fd_);
        fd_ = -1;
    }
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
}

// Under AddressSanitizer the heap is the sanitizer's: glibc's own may never have been set up, and trimming it
// would read an arena that is not there.
#if defined(__SANITIZE_ADDRESS__)
#define GORVATH_OWN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GORVATH_OWN_HEAP 1
#endif
#endif

void ReturnFreeMemory() {
#if defined(__GLIBC__) && !defined(GORVATH_OWN_HEAP)
    malloc_trim(0);
#endif
}

}  // namespace gv
