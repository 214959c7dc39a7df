#pragma once
// A small internet in network namespaces, made for one test and gone with it: a STUN and TURN server
// (coturn) on a public-looking range (TEST-NET-3), and two players, each behind a router of its own that
// translates addresses as a home router, a carrier's or a firewall does, or both behind one router.
// Nothing in it reaches the machine's own network: every address lives in namespaces of the lab's own.
//
//   player A 192.168.1.2 -- router A 203.0.113.10 --+
//                                                    +-- "internet" 203.0.113.1 (STUN/TURN on 3478)
//   player B 192.168.2.2 -- router B 203.0.113.20 --+
//
// It takes root, ip, nft and turnserver; without them ready() is false and why() says what was missing.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "platform/asio.h"
#include <asio/executor_work_guard.hpp>
#include <asio/post.hpp>

#include "platform/eventloop.h"
#include "ports.h"

namespace gv::testing {

class NatLab {
public:
    // Home: masquerading as Linux does, one public port for each private one whoever the peer (holes can be
    // punched). CarrierGrade: a random public port for every new peer (none can). UdpBlocked: forwards TCP
    // only. Shared (player B only): B sits on A's LAN, behind A's router.
    enum class Router { Home, CarrierGrade, UdpBlocked, Shared };
    enum class Player { A, B };

    static constexpr const char* kServer = "203.0.113.1";
    static constexpr int kServerPort = 3478;
    static constexpr const char* kUser = "gv";
    static constexpr const char* kPassword = "gvpass";

    NatLab(Router a, Router b) : base_("gvlab" + std::to_string(::getpid()) + "-" + std::to_string(counter()++)) {
        sweepStale();
        if (::geteuid() != 0) {
            why_ = "the NAT lab needs root (it makes network namespaces)";
            return;
        }
        if (std::system("{ command -v ip && command -v nft && command -v turnserver; } >/dev/null 2>&1") != 0) {
            why_ = "the NAT lab needs ip, nft and turnserver (iproute2, nftables, coturn)";
            return;
        }
        std::string templ = "/tmp/gvlab" + std::to_string(::getpid()) + "-XXXXXX";
        if (!::mkdtemp(templ.data())) {
            why_ = "no temporary folder";
            return;
        }
        dir_ = templ;
        if (!build(a, b)) return;
        ready_ = startTurn();
    }
    ~NatLab() {
        if (turn_ > 0) ::kill(turn_, SIGKILL), ::waitpid(turn_, nullptr, 0);
        std::string script;
        for (const char* n : {"i", "ra", "rb", "a", "b"}) script += "ip netns del " + ns(n) + " 2>/dev/null; ";
        [[maybe_unused]] int ignored = std::system(script.c_str());
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    NatLab(const NatLab&) = delete;
    NatLab& operator=(const NatLab&) = delete;

    bool ready() const { return ready_; }
    const std::string& why() const { return why_; }
    // The player's namespace's name (for `ip netns exec` by hand) and its LAN address.
    std::string name(Player p) const { return ns(p == Player::A ? "a" : "b"); }
    std::string address(Player p) const { return p == Player::A || shared_ ? lanAddress(p) : "192.168.2.2"; }
    // Runs an nft command in the router in front of the player (a table of the test's own, say); whether it
    // took.
    bool nft(Player behind, const std::string& args) const {
        const std::string router = ns(behind == Player::A || shared_ ? "ra" : "rb");
        return std::system(("ip netns exec " + router + " nft '" + args + "' >/dev/null 2>&1").c_str()) == 0;
    }
    // What the server's log says so far (for a failure's message).
    std::string turnLog() const { return readAll(dir_ + "/turn.log"); }
    // Runs `fn` on a thread of its own inside the player's namespace; the threads it starts (an IceStream's
    // GLib thread, say) are there too, and so every socket made on them.
    std::thread runIn(Player p, std::function<void()> fn) const {
        const int fd = ::open(("/run/netns/" + name(p)).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) throw std::runtime_error("no namespace " + name(p));
        return std::thread([fd, fn = std::move(fn)] {
            const bool in = ::setns(fd, CLONE_NEWNET) == 0;
            ::close(fd);
            if (!in) throw std::runtime_error("setns into a NAT lab player's namespace failed");
            fn();
        });
    }

    // A player's machine: a thread in its namespace with a game loop of its own on the real clock, running
    // until the machine is gone, what the objects made on it (make) live on. The test reaches them through
    // call() and waitFor(), which run on that thread between the loop's events.
    class Machine {
    public:
        Machine(const NatLab& lab, Player p) {
            std::promise<void> up;
            auto started = up.get_future();
            thread_ = lab.runIn(p, [this, &up] { run(up); });
            started.wait();
        }
        ~Machine() {
            call([this](EventLoop&) { objects_.clear(), stop_ = true; });
            thread_.join();
        }
        Machine(const Machine&) = delete;
        Machine& operator=(const Machine&) = delete;

        // Runs f(loop) on the machine's thread and gives back what it returns (or throws what it threw).
        template <class F>
        auto call(F f) -> std::invoke_result_t<F&, EventLoop&> {
            std::packaged_task<std::invoke_result_t<F&, EventLoop&>()> task([&]() -> decltype(auto) { return f(*loop_); });
            auto result = task.get_future();
            // The io_context takes it from any thread and wakes the loop; the loop's queue runs it outside asio.
            asio::post(loop_->io(), [this, &task] { loop_->post([&task] { task(); }); });
            return result.get();
        }
        // Makes a T(loop, args...) on the machine's thread; it lives until the machine goes.
        template <class T, class... Args>
        T& make(Args&&... args) {
            return call([&](EventLoop& loop) -> T& {
                auto made = std::make_shared<T>(loop, std::forward<Args>(args)...);
                objects_.push_back(made);
                return *made;
            });
        }
        // Runs the machine's loop until done() holds (asked on its thread) or `ms` pass; whether it held.
        bool waitFor(double ms, const std::function<bool()>& done) {
            return call([&](EventLoop& loop) { return gv::testing::waitFor(loop, ms, done); });
        }

    private:
        void run(std::promise<void>& up) {
            RealDriver clock;
            EventLoop loop{&clock};
            // Watched like a socket, the loop sleeps in its io_context, where call() wakes it.
            auto awake = asio::make_work_guard(loop.io());
            loop.setSocketActive(this, true);
            loop_ = &loop;
            up.set_value();
            loop.waitUntil([this] { return stop_; });
            loop.setSocketActive(this, false);
        }
        std::thread thread_;
        EventLoop* loop_ = nullptr;
        std::vector<std::shared_ptr<void>> objects_;
        bool stop_ = false;
    };

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::string ns(const char* what) const { return base_ + what; }
    std::string lanAddress(Player p) const { return p == Player::A ? "192.168.1.2" : "192.168.1.3"; }
    static std::string readAll(const std::string& path) {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // What a lab left behind when its test was killed goes: its namespaces, with what still runs in them, and
    // its folder.
    static void sweepStale() {
        for (const char* where : {"/run/netns", "/tmp"}) {
            std::error_code ec;
            for (const auto& e : std::filesystem::directory_iterator(where, ec)) {
                const std::string n = e.path().filename();
                const int pid = n.starts_with("gvlab") ? std::atoi(n.c_str() + 5) : 0;
                if (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
                if (where == std::string("/tmp")) {
                    std::filesystem::remove_all(e.path(), ec);
                    continue;
                }
                [[maybe_unused]] int ignored =
                    std::system(("ip netns pids " + n + " | xargs -r kill -9; ip netns del " + n + " 2>/dev/null").c_str());
            }
        }
    }

    // The routers' rules: translate what leaves by the WAN side and take no new flow in there (a packet from
    // a peer that comes before the player's own would otherwise leave conntrack holding the port the player
    // is about to be mapped to, and the mapping would move).
    static std::string rules(Router r) {
        std::string s =
            "table ip nat {\n chain post {\n  type nat hook postrouting priority srcnat;\n  oifname \"wan\" masquerade";
        if (r == Router::CarrierGrade) s += " fully-random";
        s += "\n }\n}\ntable inet filter {\n chain input {\n  type filter hook input priority filter;\n";
        s += "  iifname \"wan\" ct state new drop\n }\n chain forward {\n  type filter hook forward priority filter;\n";
        if (r == Router::UdpBlocked) s += "  iifname \"lan\" meta l4proto udp counter drop\n";
        return s + " }\n}\n";
    }

    bool build(Router a, Router b) {
        shared_ = b == Router::Shared;
        std::ostringstream sh;
        sh << "set -ex\n";
        std::vector<std::string> names{ns("i"), ns("ra"), ns("a"), ns("b")};
        if (!shared_) names.push_back(ns("rb"));
        for (const auto& n : names) sh << "ip netns add " << n << "\nip -n " << n << " link set lo up\n";
        // The internet: its bridge, and a sink for the addresses nobody has there (a server that cannot send to
        // a peer's private address loses the packet, not the allocation).
        sh << "ip -n " << ns("i") << " link add br0 type bridge\n"
           << "ip -n " << ns("i") << " addr add " << kServer << "/24 dev br0\nip -n " << ns("i") << " link set br0 up\n"
           << "ip -n " << ns("i") << " link add sink type veth peer name drain\nip -n " << ns("i") << " link set drain up\n"
           << "ip -n " << ns("i") << " link set sink up\nip -n " << ns("i") << " addr add 10.255.255.1/30 dev sink\n"
           << "ip -n " << ns("i") << " neigh add 10.255.255.2 lladdr 02:00:00:00:00:02 dev sink nud permanent\n"
           << "ip -n " << ns("i") << " route add default via 10.255.255.2\n";
        // A router: its WAN side on the internet's bridge, a bridge for its LAN, forwarding and its rules.
        auto router = [&](const std::string& r, const std::string& wan, const std::string& lan, Router kind) {
            const std::string port = "p" + wan.substr(wan.rfind('.') + 1);
            sh << "ip -n " << r << " link add wan type veth peer name " << port << " netns " << ns("i") << "\n"
               << "ip -n " << ns("i") << " link set " << port << " master br0 up\n"
               << "ip -n " << r << " addr add " << wan << "/24 dev wan\nip -n " << r << " link set wan up\n"
               << "ip -n " << r << " route add default via " << kServer << "\n"
               << "ip -n " << r << " link add lan type bridge\nip -n " << r << " addr add " << lan << "/24 dev lan\n"
               << "ip -n " << r << " link set lan up\nip netns exec " << r << " sysctl -qw net.ipv4.ip_forward=1\n"
               << "ip netns exec " << r << " nft -f " << dir_ << "/" << r << ".nft\n";
            std::ofstream(dir_ + "/" + r + ".nft") << rules(kind);
        };
        // A player: one address on its router's LAN, everything routed through the router.
        auto player = [&](const std::string& p, const std::string& r, const std::string& address, const std::string& gateway,
                          const std::string& port) {
            sh << "ip -n " << p << " link add eth0 type veth peer name " << port << " netns " << r << "\n"
               << "ip -n " << r << " link set " << port << " master lan up\n"
               << "ip -n " << p << " addr add " << address << "/24 dev eth0\nip -n " << p << " link set eth0 up\n"
               << "ip -n " << p << " route add default via " << gateway << "\n";
        };
        router(ns("ra"), "203.0.113.10", "192.168.1.1", a);
        player(ns("a"), ns("ra"), address(Player::A), "192.168.1.1", "pa");
        if (shared_) {
            player(ns("b"), ns("ra"), address(Player::B), "192.168.1.1", "pb");
        } else {
            router(ns("rb"), "203.0.113.20", "192.168.2.1", b);
            player(ns("b"), ns("rb"), address(Player::B), "192.168.2.1", "pb");
        }
        std::ofstream(dir_ + "/build.sh") << sh.str();
        if (std::system(("sh " + dir_ + "/build.sh >" + dir_ + "/build.log 2>&1").c_str()) == 0) return true;
        why_ = "could not build the NAT lab's namespaces (no network namespaces here?):\n" + readAll(dir_ + "/build.log");
        return false;
    }

    // coturn in the internet's namespace, long-term credentials, plain UDP and TCP on 3478, relaying between
    // the lab's addresses only; up once it listens on both.
    bool startTurn() {
        const std::string conf = dir_ + "/turnserver.conf";
        std::ofstream(conf) << "";  // not the system's /etc/turnserver.conf
        std::vector<std::string> args{"turnserver",
                                      "-c",
                                      conf,
                                      "--listening-ip",
                                      kServer,
                                      "--relay-ip",
                                      kServer,
                                      "--listening-port",
                                      std::to_string(kServerPort),
                                      "--no-tls",
                                      "--no-dtls",
                                      "--no-cli",
                                      "--lt-cred-mech",
                                      "--user",
                                      std::string(kUser) + ":" + kPassword,
                                      "--realm",
                                      "gorvath.test",
                                      "--userdb",
                                      dir_ + "/turndb",
                                      "--pidfile",
                                      dir_ + "/turn.pid",
                                      "--log-file",
                                      dir_ + "/turn.log",
                                      "--simple-log",
                                      "--no-stdout-log",
                                      "--allowed-peer-ip",
                                      "203.0.113.0-203.0.113.255"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int netns = ::open(("/run/netns/" + ns("i")).c_str(), O_RDONLY | O_CLOEXEC);
        const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        const pid_t parent = ::getpid();
        turn_ = netns >= 0 && quiet >= 0 ? ::fork() : -1;
        if (turn_ == 0) {
            // Only what is safe after fork: into the namespace, gone with the test, then the server.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent || ::setns(netns, CLONE_NEWNET) != 0) ::_exit(127);
            ::dup2(quiet, 1), ::dup2(quiet, 2);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        if (netns >= 0) ::close(netns);
        if (quiet >= 0) ::close(quiet);
        if (turn_ < 0) {
            why_ = "could not start turnserver";
            return false;
        }
        // Listening shows in the server's own view of its namespace's sockets: 203.0.113.1:3478 is
        // 017100CB:0D96 there, TCP's in state 0A (listen).
        const std::string proc = "/proc/" + std::to_string(turn_) + "/net/";
        const auto end = Clock::now() + std::chrono::seconds(10);
        for (;;) {
            const std::string tcp = readAll(proc + "tcp"), udp = readAll(proc + "udp");
            if (tcp.find("017100CB:0D96 00000000:0000 0A") != std::string::npos && udp.find("017100CB:0D96") != std::string::npos)
                return true;
            const bool gone = ::waitpid(turn_, nullptr, WNOHANG) == turn_;
            if (gone || Clock::now() > end) {
                if (gone) turn_ = 0;
                why_ = "turnserver did not start listening:\n" + turnLog();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::string base_, dir_, why_;
    pid_t turn_ = 0;
    bool ready_ = false, shared_ = false;
};

}  // namespace gv::testing
