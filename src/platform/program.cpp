#include "platform/program.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <shellapi.h>  // after windows.h, whose types it uses
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace gv {

namespace {
// Whose copy of the program: the user, in the name of a lock in a folder all users share.
std::string userTag() {
#if defined(_WIN32)
    const char* user = std::getenv("USERNAME");
    return user && *user ? user : "user";
#else
    return std::to_string(getuid());
#endif
}
}  // namespace

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
            file = name + "-" + userTag() + ".lock";
        }
    }
    path_ = base + "/" + file;
#if defined(_WIN32)
    // Opened with no sharing: a second copy cannot open it while the first holds it.
    HANDLE h =
        CreateFileW(PathOf(path_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        previous_ = GetLastError() == ERROR_SHARING_VIOLATION;  // anything else: let this copy run
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
#else
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;  // no lock can be had: let this copy run rather than refuse to start
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        previous_ = true;
        ::close(fd);
        return;
    }
    handle_ = fd;
#endif
}

InstanceLock::~InstanceLock() {
    if (handle_ < 0) return;
#if defined(_WIN32)
    CloseHandle(reinterpret_cast<HANDLE>(handle_));  // releases the lock
#else
    ::close(int(handle_));  // releases the lock
#endif
}

void PrintToCallersConsole() {
#if defined(_WIN32)
    // Output already going to a file or a pipe (a script, a test) stays there.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;  // started from the desktop: nobody reads it
    std::FILE* f = nullptr;
    (void)freopen_s(&f, "CONOUT$", "w", stdout);
    (void)freopen_s(&f, "CONOUT$", "w", stderr);
#endif
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
#if defined(_WIN32)
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> args;
        for (int i = 1; i < count; ++i) args.push_back(TextOf(std::filesystem::path(wide[i])));
        LocalFree(wide);
        return args;
    }
#endif
    return {argv + std::min(argc, 1), argv + argc};
}

std::filesystem::path PathOf(const std::string& utf8) {
#if defined(_WIN32)
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(utf8);
#endif
}

std::string TextOf(const std::filesystem::path& path) {
#if defined(_WIN32)
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
#else
    return path.string();
#endif
}

std::FILE* CreateNewFile(const std::string& path) {
#if defined(_WIN32)
    // Microsoft's C library knows no "x" mode: the exclusive creation is asked of the system.
    const int fd = _wopen(PathOf(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

void SetEnvironment(const char* name, const char* value, bool replace) {
    if (!replace && std::getenv(name)) return;
#if defined(_WIN32)
    _putenv_s(name, value ? value : "");  // an empty value removes it
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
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
