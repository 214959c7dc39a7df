// The settings file: read with limits, written whole and renamed into place.
#include "platform/settings.h"

#include <unistd.h>  // getpid (MinGW's too)

#if defined(_WIN32)
#include <shlobj.h>
#include <windows.h>
#endif

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/program.h"

namespace gv {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxKey = 64, kMaxValue = 256;

std::string trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool keyChars(const std::string& key) {
    if (key.empty() || key.size() > kMaxKey) return false;
    for (unsigned char c : key)
        if (!(std::isalnum(c) || c == '.' || c == '_' || c == '-')) return false;
    return true;
}

// Plain text: no control characters (UTF-8 letters are welcome, a host name may have them).
bool valueChars(const std::string& value) {
    if (value.size() > kMaxValue) return false;
    for (unsigned char c : value)
        if (c < 32 || c == 127) return false;
    return true;
}

}  // namespace

SettingsFile::SettingsFile(std::string folder, std::string program)
    : folder_(std::move(folder)),
      program_(std::move(program)),
      magic_(program_ + "-settings") {
    if (!folder_.empty()) path_ = TextOf(PathOf(folder_) / "settings.ini");
}

std::string UserFolderOf(UserFolder kind, const std::string& program) {
#if defined(_WIN32)
    (void)kind;
    PWSTR roaming = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &roaming) == S_OK) {
        std::string name = program;
        if (!name.empty()) name[0] = char(std::toupper(static_cast<unsigned char>(name[0])));
        folder = TextOf(fs::path(roaming) / name);
    }
    CoTaskMemFree(roaming);
    return folder;
#else
    const bool config = kind == UserFolder::Config;
    const char* base = std::getenv(config ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME");
    if (base && *base == '/') return (fs::path(base) / program).string();
    const char* home = std::getenv("HOME");
    if (home && *home) return (fs::path(home) / (config ? ".config" : ".local/share") / program).string();
    return std::string();
#endif
}

void SettingsFile::warn(const std::string& text) {
    if (warned_) return;
    warned_ = true;
    std::fprintf(stderr, "%s: %s\n", program_.c_str(), text.c_str());
}

void SettingsFile::load(const std::map<std::string, Check>& valid) {
    entries_.clear();
    damaged_ = false;
    if (path_.empty()) return;
    std::error_code ec;
    const auto size = fs::file_size(PathOf(path_), ec);
    if (ec) return;  // no file yet: a first start
    std::string why;
    std::vector<std::pair<std::string, std::string>> read;
    std::vector<std::string> dropped;
    if (size > kMaxBytes) {
        why = "it is larger than " + std::to_string(kMaxBytes / 1024) + " KB";
    } else {
        std::ifstream in(PathOf(path_), std::ios::binary);
        std::string line;
        bool headed = false;
        int number = 0;
        while (why.empty() && std::getline(in, line)) {
            ++number;
            const std::string t = trim(line);
            if (t.empty() || t[0] == '#') continue;
            const std::string where = "line " + std::to_string(number) + ": ";
            if (!headed) {
                int version = 0;
                char rest = 0;
                // The program's name, a space or a tab, the version.
                const bool named =
                    t.rfind(magic_, 0) == 0 && t.size() > magic_.size() && (t[magic_.size()] == ' ' || t[magic_.size()] == '\t');
                if (!named || std::sscanf(t.c_str() + magic_.size(), "%d%c", &version, &rest) != 1 || version < 1)
                    why = where + "it does not begin with \"" + magic_ + " " + std::to_string(kVersion) + "\"";
                headed = true;
                continue;
            }
            const std::size_t eq = t.find('=');
            const std::string key = eq == std::string::npos ? t : trim(t.substr(0, eq));
            const std::string value = eq == std::string::npos ? std::string() : trim(t.substr(eq + 1));
            auto check = valid.find(key);
            // A line that cannot be used is dropped alone: the others still hold.
            if (eq == std::string::npos || !keyChars(key))
                dropped.push_back(where + "no \"key = value\"");
            else if (!valueChars(value))
                dropped.push_back(where + "the value of " + key + " is not plain text");
            else if (check != valid.end() && check->second && !check->second(value))
                dropped.push_back(where + "\"" + value + "\" is no value for " + key);
            else
                read.emplace_back(key, value);
        }
        if (why.empty() && !in.eof()) why = "it cannot be read";
        if (why.empty() && !headed) why = "it is empty";
    }
    if (why.empty()) {
        for (auto& kv : read) {  // the last of a key given twice holds
            bool replaced = false;
            for (auto& e : entries_)
                if (e.first == kv.first) e.second = kv.second, replaced = true;
            if (!replaced) entries_.push_back(kv);
        }
        if (dropped.empty()) return;
    }
    // Damaged: the file stays beside for whoever wants to see what it said. A file that is not ours as a
    // whole gives the defaults; otherwise only its bad lines are gone, and the rest is written back at once.
    damaged_ = true;
    const std::string bad = path_ + ".bad";
    fs::rename(PathOf(path_), PathOf(bad), ec);
    const std::string kept = ec ? std::string() : ", and the file is kept as " + bad;
    if (!why.empty()) {
        warn("the settings file " + path_ + " is damaged (" + why + "); the defaults hold" + kept);
        return;
    }
    constexpr std::size_t kNamed = 5;
    for (std::size_t i = 0; i < dropped.size() && i < kNamed; ++i) why += (i ? "; " : "") + dropped[i];
    if (dropped.size() > kNamed) why += "; and " + std::to_string(dropped.size() - kNamed) + " more";
    warn("the settings file " + path_ + " is damaged (" + why + "); those lines are dropped, the other settings hold" + kept);
    write();
}

std::optional<std::string> SettingsFile::get(const std::string& key) const {
    for (const auto& [k, v] : entries_)
        if (k == key) return v;
    return std::nullopt;
}

bool SettingsFile::set(const std::string& key, const std::string& value) {
    for (auto& e : entries_)
        if (e.first == key) {
            if (e.second == value) return problem_.empty();
            e.second = value;
            return write();
        }
    entries_.emplace_back(key, value);
    return write();
}

bool SettingsFile::write() {
    if (path_.empty()) return true;
    std::ostringstream text;
    std::string owner = program_;
    if (!owner.empty()) owner[0] = char(std::toupper(static_cast<unsigned char>(owner[0])));
    text << "# " << owner
         << "'s settings. The game writes this file whenever a setting changes; it may be edited\n"
            "# while the game is not running. One \"key = value\" a line; lines that begin with # are notes.\n"
         << magic_ << " " << kVersion << "\n";
    for (const auto& [k, v] : entries_) text << k << " = " << v << "\n";
    std::error_code ec;
    fs::create_directories(PathOf(folder_), ec);
    // Written whole beside the old file, then renamed over it: a crash leaves one or the other.
    const std::string temp = path_ + ".new" + std::to_string(::getpid());
    bool ok = false;
    {
        std::ofstream out(PathOf(temp), std::ios::binary | std::ios::trunc);
        out << text.str();
        out.flush();
        ok = bool(out);
    }
    if (ok) {
        fs::rename(PathOf(temp), PathOf(path_), ec);
        ok = !ec;
    }
    if (ok) {
        problem_.clear();
        return true;
    }
    const int err = errno;
    fs::remove(PathOf(temp), ec);
    problem_ = "settings cannot be saved in " + folder_ + ": " + std::strerror(err ? err : EACCES);
    warn(problem_);
    return false;
}

}  // namespace gv
