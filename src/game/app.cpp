#include "game/app.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "game/levelspanel.h"
#include "game/mainfrm.h"
#include "game/records.h"
#include "platform/program.h"
#include "platform/windowsystem.h"
#include "net/protocol.h"
#include "replay/verify.h"

namespace gv {

namespace {
const char* const kUsage =
    "Usage: gorvath [OPTION]\n"
    "A two-player artillery duel.\n\n"
    "  --port N                  host network games on TCP port N (7701 when not given); joining\n"
    "                            tries it too when the host's address names no port\n"
    "  --no-router               never ask the home router to open the hosting port (UPnP, NAT-PMP)\n"
    "  --config DIR              keep the settings in DIR/settings.ini instead of\n"
    "                            $XDG_CONFIG_HOME/gorvath (~/.config/gorvath)\n"
    "  --replay FILE             watch a recorded battle\n"
    "  --duel LEVEL LEVEL        watch two computers play each other (player 1's first); a LEVEL\n"
    "                            is LEVELS\n"
    "  --verify-replay FILE...   compute recorded battles again without a window and compare them with\n"
    "                            their records: exit 0 when all match, 1 when one differs, 2 when one\n"
    "                            cannot be read\n"
    "  --help                    show this help\n"
    "  --version                 show the game's version\n\n"
    "Every battle is recorded in $XDG_DATA_HOME/gorvath/replays (~/.local/share/gorvath/replays).\n";
// The usage with the levels' words in it.
std::string Usage() {
    std::string usage = kUsage;
    return usage.replace(usage.find("LEVELS"), 6, level::Words());
}
int number(Mainfrm& form, const char* key) {
    const auto v = form.settings().get(key);
    return v ? std::stoi(*v) : 0;
}

Window::Place savedPlace(Mainfrm& form) {
    Window::Place p;
    p.x = number(form, "window.x"), p.y = number(form, "window.y");
    p.width = number(form, "window.width"), p.height = number(form, "window.height");
    p.fullScreen = form.settings().get("window.fullscreen") == "yes";
    return p;
}

void keepPlace(Mainfrm& form, const Window::Place& p) {
    form.SaveSetting("window.width", std::to_string(p.width));
    form.SaveSetting("window.height", std::to_string(p.height));
    form.SaveSetting("window.x", std::to_string(p.x));
    form.SaveSetting("window.y", std::to_string(p.y));
    form.SaveSetting("window.fullscreen", p.fullScreen ? "yes" : "no");
}

// The options panel's hold on the real window.
struct WindowScreen : ScreenControl {
    Window& screen;
    explicit WindowScreen(Window& s) : screen(s) {}
    bool fullScreen() const override { return screen.fullScreen(); }
    void setFullScreen(bool on) override { screen.setFullScreen(on); }
    void setSmooth(bool smooth) override { screen.setSmooth(smooth); }
};

// What the command line asks for.
struct Options {
    std::string watch, config = SettingsFile::DefaultFolder(kProgramName);
    int port = 0;
    bool router = true;
    std::array<int, 2> duel{level::Human, level::Human};
};

// Reads the options after the program's name; -1 to go on and play, else the exit status of a run that
// ends here (help, version, a check of records, a bad option).
int readOptions(const std::vector<std::string>& args, Options& o) {
    if (!args.empty()) {
        const std::string& first = args[0];
        if (first == "--help") return std::fputs(Usage().c_str(), stdout), 0;
        if (first == "--version")
            return std::printf("gorvath %s (battle records: %s %d)\n", GORVATH_VERSION, replay::kMagic, replay::kFormatVersion),
                   0;
        if (first == "--verify-replay" && args.size() > 1)
            return replay::VerifyFiles(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--no-router") {
            o.router = false;
            continue;
        }
        if (option == "--duel") {
            for (std::size_t p = 0; p < 2; ++p)
                o.duel[p] = i + 1 + p < args.size() ? LevelsPanel::LevelNamed(args[i + 1 + p]) : level::Human;
            if (o.duel[0] == level::Human || o.duel[1] == level::Human) {
                std::fprintf(stderr, "gorvath: --duel takes two levels (%s)\n", level::Words().c_str());
                return 2;
            }
            i += 2;
            continue;
        }
        const bool valued = (option == "--replay" || option == "--port" || option == "--config") && i + 1 < args.size();
        if (valued && option == "--replay") o.watch = args[i + 1];
        if (valued && option == "--config") o.config = args[i + 1];
        if (valued && option == "--port") {
            const JoinAddress a = ReadJoinAddress("p:" + args[i + 1]);
            if (!a.ok || a.port == 0) {
                std::fprintf(stderr, "gorvath: --port takes a port number from 1 to 65535, not \"%s\"\n", args[i + 1].c_str());
                return 2;
            }
            o.port = a.port;
        }
        if (!valued) {
            std::fprintf(stderr, "gorvath: unknown option or missing value: %s\n\n%s", option.c_str(), Usage().c_str());
            return 2;
        }
        ++i;
    }
    return -1;
}

}  // namespace

int runGame(int argc, char** argv, const std::function<void(Mainfrm&)>& prepare) {
    Options o;
    if (int status = readOptions(ProgramArguments(argc, argv), o); status >= 0) return status;
    try {
        // One copy at a time: a second start ends at once, showing nothing.
        InstanceLock lock(kProgramName);
        if (lock.previousInstance()) return 0;
        // The display first, while the program is still small (see SdlDriver::openDisplay); the desktop
        // ends with the session.
        WindowSystem& system = windowSystem();
        const std::shared_ptr<void> session = system.session(GORVATH_APP_ID);
        EventLoop loop;
        Desktop desktop;
        desktop.openUrl = [&system](const std::string& url) { system.openUrl(url.c_str()); };
        desktop.replayFolder = replay::BattleRecorder::DefaultFolder();
        desktop.mapPorts = o.router;  // and the player's net.router
        desktop.settingsFolder = o.config;
        Mainfrm form(loop, desktop);
        const std::unique_ptr<Window> window = system.window(form);
        Window& screen = *window;
        loop.setDriver(&screen);
        form.Form_Load();
        if (o.port) form.hostPort = o.port, form.joinPort = o.port < 65535 ? o.port + 1 : 0;
        if (prepare) prepare(form);
        // The window as the player left it last time, then shown with its menu and intro sky already drawn:
        // no black window, no click before the first frame.
        screen.setPlace(savedPlace(form));
        WindowScreen control(screen);
        form.optionsPanel().attachScreen(&control);
        screen.show();
        if (!o.watch.empty())
            form.records().WatchBattle(o.watch);
        else if (o.duel[0] != level::Human)
            form.levelsPanel().StartDuel(o.duel[0], o.duel[1]);
        loop.waitUntil([&form] { return form.unloaded(); });
        keepPlace(form, screen.place());
        form.optionsPanel().attachScreen(nullptr);
        loop.setDriver(nullptr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gorvath: %s\n", e.what());
        return 1;
    }
    return 0;
}

}  // namespace gv
