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

void ReturnFreeMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace gv
