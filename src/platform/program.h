#pragma once
// What the program asks of the operating system besides the window: is another copy running? And the
// heap's free pages given back.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace gv {

// Holds an advisory lock on a file in the user's runtime directory for as long as it lives. A second copy
// of the program finds the lock taken. The lock goes with the process, so a crash leaves nothing stale.
class InstanceLock {
public:
    // `name` is the program's name; `dir` overrides where the lock file lives (tests), "" for the default:
    // $XDG_RUNTIME_DIR, else the temporary directory with the user id in the file name.
    explicit InstanceLock(const std::string& name, const std::string& dir = "");
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Another copy already holds the lock.
    bool previousInstance() const { return previous_; }
    const std::string& path() const { return path_; }

private:
    std::intptr_t handle_ = -1;  // the open lock file
    bool previous_ = false;
    std::string path_;
};

// A program with no console of its own (a Windows window program) writes what it prints to the console
// of whoever started it, when there is one and its output goes nowhere else. Elsewhere: nothing to do.
void PrintToCallersConsole();

// The game keeps a file's name as UTF-8 text; the system names it its own way. On Windows a path made
// from a narrow string is read in the C library's code page, and a path's narrow string may throw for a
// letter outside it (a user "Jiří" on an English system): every path goes through these two instead.
std::filesystem::path PathOf(const std::string& utf8);
std::string TextOf(const std::filesystem::path& path);

// The program's arguments after its name, as UTF-8 (on Windows the C library's narrow ones lose every
// letter outside the system's code page: a record in "Jiří's" folder must still be found).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Creates the file at `path` for writing bytes as they are (no line ends changed); nullptr with errno set
// when it cannot, EEXIST when it is already there (it is never overwritten).
std::FILE* CreateNewFile(const std::string& path);

// Sets the environment variable `name` for this process and what it starts (not over one already set when
// `replace` is false); `value` nullptr removes it.
void SetEnvironment(const char* name, const char* value, bool replace = true);

// Gives the system back the pages the heap holds free. An evening of battles frees and makes again drawn
// texts and buffers of many sizes, and the holes they leave would otherwise stay resident; a new battle
// calls this once.
void ReturnFreeMemory();

}  // namespace gv
