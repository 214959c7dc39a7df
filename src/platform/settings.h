#pragma once
// The player's settings: one small "key = value" text file that a person can read and edit, kept in
// $XDG_CONFIG_HOME/<program>/settings.ini. It is written whole into a temporary file that is then renamed
// over the old one, so it is never half-written. A file that cannot be read as ours gives the defaults;
// it is kept beside as settings.ini.bad and said so once on stderr; so is a file with lines that cannot be
// used, whose other lines still hold and are written back. Keys this copy does not know (a
// newer copy's) are kept when the file is written again.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace gv {

// Where the user's files of `program` live: its settings (Config) and what it keeps, such as battle records
// (Data). On Linux $XDG_CONFIG_HOME/<program> or ~/.config/<program>, $XDG_DATA_HOME/<program> or
// ~/.local/share/<program>; on Windows both are the roaming application data's <Program> (%APPDATA%),
// where SDL would put them too. "" when none can be found.
enum class UserFolder { Config, Data };
std::string UserFolderOf(UserFolder kind, const std::string& program);

class SettingsFile {
public:
    static constexpr int kVersion = 1;
    static constexpr std::size_t kMaxBytes = 64 * 1024;

    // The settings of the program named `program` (its first line is "<program>-settings 1") in `folder`
    // ("" keeps them in memory only).
    SettingsFile(std::string folder, std::string program);
    static std::string DefaultFolder(const std::string& program) { return UserFolderOf(UserFolder::Config, program); }

    // Reads the file. `valid` says whether a known key's value can be used; a value it refuses or a line
    // that is no "key = value" is dropped, the rest holds. A wrong first line or a file over kMaxBytes
    // make the whole file damaged: the defaults hold. Either way the file is moved aside (the good lines
    // written anew). No file at all is a first start.
    using Check = std::function<bool(const std::string& value)>;
    void load(const std::map<std::string, Check>& valid);

    std::optional<std::string> get(const std::string& key) const;
    // Sets the value and writes the file when it changed. False when it could not be written (the
    // reason is in problem(), and stderr has heard it once).
    bool set(const std::string& key, const std::string& value);

    const std::string& path() const { return path_; }
    const std::string& problem() const { return problem_; }  // why the settings are not saved, if so
    bool damaged() const { return damaged_; }                // the last load found a damaged file

private:
    bool write();
    void warn(const std::string& text);

    std::string folder_, path_, program_, magic_;
    std::vector<std::pair<std::string, std::string>> entries_;  // in the file's order
    std::string problem_;
    bool warned_ = false;
    bool damaged_ = false;
};

}  // namespace gv
