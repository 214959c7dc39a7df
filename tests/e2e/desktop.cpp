#include "desktop.h"

#include "assets/pictures.h"
#include "computer/player.h"
#include "replay/referee.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <thread>

extern char** environ;

namespace gv::e2e {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool ownNetwork() {
    if (::unshare(CLONE_NEWNET) != 0) return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq loopback{};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &loopback) == 0;
    loopback.ifr_flags = static_cast<short>(loopback.ifr_flags | IFF_UP);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &loopback) == 0;
    if (fd >= 0) ::close(fd);
    return up;
}

std::string tempDir(const std::string& prefix) {
    std::string templ = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    const char* d = mkdtemp(buf.data());
    return d ? d : "/tmp";
}

int Screenshot::count(std::uint32_t colour, int x0, int y0, int x1, int y1) const {
    return int(std::ranges::count(region(x0, y0, x1, y1), colour));  // a pixel off the screen is no colour
}

std::vector<std::uint32_t> Screenshot::region(int x0, int y0, int x1, int y1, int step) const {
    std::vector<std::uint32_t> px;
    for (int y = y0; y < y1; y += step)
        for (int x = x0; x < x1; x += step) px.push_back(at(x, y));
    return px;
}

int Screenshot::differs(const Screenshot& other, int x0, int y0, int x1, int y1, int step) const {
    const auto a = region(x0, y0, x1, y1, step), b = other.region(x0, y0, x1, y1, step);
    return int(std::inner_product(a.begin(), a.end(), b.begin(), 0L, std::plus<>(), std::not_equal_to<>()));
}

double shown(const Screenshot& shot, const Picture& pic, int left, int top) {
    int opaque = 0, same = 0;
    const Picture::PixelsRef px = pic.pixels();
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            std::uint32_t p = (*px)[std::size_t(y * pic.width + x)];
            if (Picture::alphaOf(p) != 255) continue;
            ++opaque;
            same += shot.at(left + x, top + y) == (p & 0xFFFFFF);
        }
    return opaque ? double(same) / opaque : 0;
}

bool armed(const Screenshot& shot, int player, int left) {
    return shown(shot, *assets::picture("fbutt1"), left + (player == 1 ? 224 : 512), 8) > 0.95;
}

bool atMenu(const Screenshot& s) { return s.count(0x00FF00, 240, 136, 561, 180) >= 200 && s.at(50, 5) != 0x808080u; }

double alike(const Screenshot& a, const Screenshot& b, int top) {
    if (a.width != b.width || a.height != b.height || a.height <= top) return 0;
    return 1 - a.differs(b, 0, top, a.width, a.height) / (double(a.height - top) * a.width);
}

std::pair<int, std::string> run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return {-1, ""};
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    const int st = pclose(p);
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}

bool Screenshot::savePng(const std::string& path) const {
    std::string raw = path + ".rgb";
    {
        std::ofstream o(raw, std::ios::binary);
        o.write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
    }
    std::string cmd = "convert -size " + std::to_string(width) + "x" + std::to_string(height) + " -depth 8 rgb:" + raw + " " +
                      path + " 2>/dev/null";
    bool ok = std::system(cmd.c_str()) == 0;
    std::remove(raw.c_str());
    return ok;
}

static pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log,
                   int displayFd = -1) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    setpgid(0, 0);
    for (const auto& e : env) putenv(strdup(e.c_str()));
    int out = open(log.empty() ? "/dev/null" : log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) dup2(out, 1), dup2(out, 2);
    int in = open("/dev/null", O_RDONLY);
    if (in >= 0) dup2(in, 0);
    if (displayFd >= 0) dup2(displayFd, 3);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

Desktop::Desktop(int width, int height) : width_(width), height_(height) {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) return;
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    int fds[2];
    if (pipe(fds) != 0) return;
    // -displayfd: Xvfb picks a free display and tells us which.
    pid_ = spawn({"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp"}, {}, "", fds[1]);
    close(fds[1]);
    std::string num;
    char c = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    for (ssize_t n; std::chrono::steady_clock::now() < deadline && (n = read(fds[0], &c, 1)) != 0 && c != '\n';)
        n == 1 ? void(num += c) : sleepMs(20);
    close(fds[0]);
    if (num.empty()) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return;
    }
    display_ = ":" + num;
}

Desktop::~Desktop() {
    if (pid_ > 0) ::kill(pid_, SIGTERM), waitpid(pid_, nullptr, 0);
}

Screenshot Desktop::screenshot() const {
    Screenshot s;
    std::string file = tempDir("gv-shot") + "/shot.rgb";
    std::string cmd = "import -display " + display_ + " -window root -depth 8 rgb:" + file + " 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return s;
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;  // (GCC 12 at -O2 sees a null dereference in istreambuf_iterator's reading)
    bytes << in.rdbuf();
    const std::string rgb = bytes.str();
    s.rgb.assign(rgb.begin(), rgb.end());
    s.width = width_;
    s.height = height_;
    if (s.rgb.size() != std::size_t(width_) * height_ * 3u) s = Screenshot{};
    std::filesystem::remove_all(std::filesystem::path(file).parent_path());
    return s;
}

void Desktop::click(int x, int y) const {
    run("DISPLAY=" + display_ + " xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.1 click 1");
}

void Desktop::key(const std::string& name) const { run("DISPLAY=" + display_ + " xdotool key " + name); }

std::string Desktop::window(const std::string& commands, const std::string& windowClass) const {
    return run("DISPLAY=" + display_ + " timeout 30 xdotool search --sync --onlyvisible --classname " + windowClass + " " +
               commands)
        .second;
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log) {
    pid_ = spawn(argv, env, log);
}

Process::~Process() { kill(); }

bool Process::running() { return waitExit(0) == -1 && pid_ > 0; }

int Process::waitExit(int ms) {
    if (pid_ <= 0) return status_;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int st = 0;
        pid_t r = waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            pid_ = -1;
            return status_;
        }
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        sleepMs(10);
    }
}

void Process::kill() {
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    waitExit(5000);
}

Game::Game(int screenWidth, int screenHeight) : desk(screenWidth, screenHeight), runtime(tempDir("gv-run")) {}

bool Game::start(const char* binary) {
    if (!desk.ok()) return false;
    std::vector<std::string> argv = launcher;
    argv.insert(argv.end(), {binary, "--no-router"});  // a hosting game here never asks the real network's router
    argv.insert(argv.end(), args.begin(), args.end());
    // Its battles and settings are kept in folders of its own, never in the user's.
    std::vector<std::string> environment{"DISPLAY=" + desk.display(),
                                         "SDL_AUDIODRIVER=dummy",
                                         "XDG_RUNTIME_DIR=" + runtime,
                                         "LANG=en_US.UTF-8",
                                         "XDG_DATA_HOME=" + (dataHome.empty() ? runtime : dataHome),
                                         "XDG_CONFIG_HOME=" + runtime};
    environment.insert(environment.end(), env.begin(), env.end());
    process = std::make_unique<Process>(argv, environment, runtime + "/log.txt");
    // Up once its window is: the window is shown with its first frame drawn.
    desk.window("", windowClass);
    return process->running();
}

WindowsGame::WindowsGame() : prefix(tempDir("gv-wine")) {
    launcher = {"/usr/lib/wine/wine64"};
    // SDL's own renderer, as on the Linux program under Xvfb: blending the same, pixel for pixel.
    env = {"WINEPREFIX=" + prefix, "WINEDEBUG=-all", "GORVATH_TEST_NETWORK_GUARD=1", "SDL_RENDER_DRIVER=software"};
    windowClass = "gorvath.exe";  // Wine names a window's class after its program
}

const char* WindowsGame::program() {
    const char* p = std::getenv("GORVATH_WINDOWS_PROGRAM");
    return p && *p && std::filesystem::exists(p) && std::filesystem::exists("/usr/lib/wine/wine64") ? p : nullptr;
}

std::string WindowsGame::appData() const {
    for (const auto& user : std::filesystem::directory_iterator(prefix + "/drive_c/users"))
        if (std::filesystem::exists(user.path() / "AppData/Roaming/Gorvath"))
            return (user.path() / "AppData/Roaming/Gorvath").string();
    return "";
}

Screenshot Game::waitFor(const std::function<bool(const Screenshot&)>& ready, int seconds) {
    Screenshot shot;
    for (int i = 0; i < seconds * 5; ++i) {
        shot = desk.screenshot();
        if (ready(shot)) return shot;
        sleepMs(200);
    }
    // For whoever looks into the failure: what the screen showed when the wait gave up.
    static int failed = 0;
    const std::string png = std::string(GORVATH_SHOTS) + "/timed-out-" + std::to_string(++failed) + ".png";
    if (shot.savePng(png)) std::fprintf(stderr, "the screen when a wait timed out: %s\n", png.c_str());
    return shot;
}

Screenshot Game::waitArmed(int player, int seconds, int left) {
    return waitFor([&](const Screenshot& s) { return armed(s, player, left); }, seconds);
}

Screenshot Game::waitMenu(int seconds) { return waitFor(atMenu, seconds); }

}  // namespace gv::e2e

namespace gv::e2e {

namespace {

// The expert's seat on a copy of the battle: it plays the side whose turn it is and only says its aim.
struct Planner : ComputerPlayer::Seat {
    int player;
    std::optional<battle::Aim> aim;
    explicit Planner(int p) : player(p) {}
    bool Plays(int p) const override { return p == player; }
    int Level(int) const override { return level::Expert; }
    bool Wait(const std::function<bool()>& done) override { return done(); }
    bool Think() override { return true; }
    std::uint32_t Battle() const override { return 0; }
    bool Live() const override { return true; }
    void Pass(int) override {}
    void Aimed(int, const battle::Aim& a) override { aim = a; }
    void Fire(int, const battle::Aim& a) override { aim = a; }
    void Thought(const ComputerThought&) override {}
};

}  // namespace

std::string newestIn(const std::string& folder) {
    std::string record;
    if (std::filesystem::is_directory(folder))
        for (const auto& e : std::filesystem::directory_iterator(folder)) record = std::max(record, e.path().string());
    return record;
}

std::string lastLineOf(const std::string& path) {
    std::ifstream in(path);
    std::string last;
    for (std::string line; std::getline(in, line);) last = line;
    return last;
}

std::optional<PlannedShot> ExpertShotAfter(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    text.erase(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);  // a line still being written
    std::istringstream lines(text);
    const replay::ReadResult read = replay::Read(lines);
    if (!read.record || !read.error.empty()) return {};

    VirtualDriver clock;
    EventLoop loop(&clock);
    replay::Referee referee(loop);
    replay::Playback playback(referee, *read.record, replay::Playback::Pace::Fast);
    playback.Start();
    const battle::State& s = referee.battle();
    // Past the record the battle goes on by itself to the next turn, the crate landed.
    auto ready = [&] {
        return s.BattleOver == True || (playback.finished() && (referee.Armed(1) || referee.Armed(2)) && s.CrateFalling == False);
    };
    try {
        loop.waitUntil([&] { return ready() || loop.now() > 600000; });
    } catch (const WaitStalled&) {}
    if (!ready() || s.BattleOver == True || playback.outcome() != replay::Playback::Outcome::Same) return {};

    PlannedShot shot;
    shot.player = referee.Armed(1) ? 1 : 2;
    for (const replay::Event& e : read.record->events)
        if (e.kind == replay::Event::Fire && e.player == shot.player)
            shot.boxForce = int(std::stod(e.force)), shot.boxAngle = int(std::stod(e.angle));
    battle::State copy = s;
    Random random;
    Planner seat(shot.player);
    ComputerPlayer expert(copy, random, seat);
    expert.ComputerTurn();
    // An expert that would rather pass fires what the boxes hold.
    shot.force = seat.aim ? int(seat.aim->forceValue()) : shot.boxForce;
    shot.angle = seat.aim ? int(seat.aim->angleValue()) : shot.boxAngle;
    return shot;
}

std::string PlayToTheEnd(const std::array<Game*, 2>& copies, int keyed, const std::function<std::string()>& record, int shots) {
    auto lastLine = [&] { return lastLineOf(record()); };
    for (int shot = 0; shot < shots; ++shot) {
        // Whose turn it is, as the screens show it; the record says when the battle is over.
        int turn = 0;
        for (int i = 0; i < 600 && turn == 0; ++i) {
            if (lastLine().rfind("end ", 0) == 0) return lastLine();
            for (int p : {1, 2})
                if (armed(copies[std::size_t(p - 1)]->desk.screenshot(), p)) turn = p;
            if (turn == 0) sleepMs(200);
        }
        if (turn == 0) break;
        Game& g = *copies[std::size_t(turn - 1)];
        std::optional<PlannedShot> plan;
        for (int i = 0; i < 20 && turn == keyed && !(plan = ExpertShotAfter(record())); ++i) sleepMs(250);
        if (plan && plan->player == turn) {
            // Up and Down step the force; the angle grows as the barrel turns away from the other tank (Left
            // for player 1, Right for player 2).
            auto press = [&](int steps, const char* up, const char* down) {
                if (steps != 0)
                    g.desk.key("--delay 20 --repeat " + std::to_string(std::abs(steps)) + " " + (steps > 0 ? up : down));
            };
            press(plan->force - plan->boxForce, "Up", "Down");
            press(plan->angle - plan->boxAngle, turn == 1 ? "Left" : "Right", turn == 1 ? "Right" : "Left");
        }
        g.desk.key("space");
        g.waitFor([&](const Screenshot& s) { return !armed(s, turn); }, 20);
    }
    return lastLine();
}

}  // namespace gv::e2e
