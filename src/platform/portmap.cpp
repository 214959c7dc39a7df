#include "platform/portmap.h"

#include "platform/rawsocket.h"  // first: Windows wants its socket headers before any other of its own

#include <miniupnpc/miniupnpc.h>  // parserootdesc, GetUPNPUrls: what a gateway's description says
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

// NAT-PMP where libnatpmp is (Debian has no build of it for Windows: there the router is asked by UPnP).
#if !defined(_WIN32)
#define GORVATH_NATPMP 1
#include <natpmp.h>
#include <pthread.h>
#else
#include <windows.h>
#endif

#include <algorithm>
#include <asio/post.hpp>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/eventloop.h"
#include "platform/httpmini.h"

namespace gv {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A silent network costs the SSDP search plus the NAT-PMP wait: together under three seconds. Talking to
// the UPnP devices that answered ends in time for NAT-PMP's wait, whatever they send.
constexpr auto kSearchTime = milliseconds(1400);
constexpr auto kUpnpBudget = milliseconds(2400);    // from the start of an attempt to the end of UPnP
constexpr auto kSilentBudget = milliseconds(2800);  // from the start of an attempt to giving up
constexpr std::size_t kMaxDevices = 4;              // devices that answered the search and are asked more
constexpr auto kSearchResend = milliseconds(450);   // a lost datagram is sent again
constexpr int kSearchRounds = 3;
constexpr auto kStragglers = milliseconds(150);     // after the first answer, how long others may follow
constexpr auto kNatPmpAtLeast = milliseconds(600);  // even when UPnP used the time up
constexpr auto kRouterReply = milliseconds(1000);   // a router that answered once answers again soon
constexpr auto kSlice = milliseconds(50);           // how often a wait looks whether it was abandoned
constexpr auto kExitWait = std::chrono::seconds(3);
constexpr int kLeaseSeconds = 7200;
constexpr auto kRenewEvery = std::chrono::seconds(kLeaseSeconds / 2);

const char* const kSearchTargets[] = {
    "urn:schemas-upnp-org:device:InternetGatewayDevice:1",
    "urn:schemas-upnp-org:device:InternetGatewayDevice:2",
    "urn:schemas-upnp-org:service:WANIPConnection:1",
    "urn:schemas-upnp-org:service:WANPPPConnection:1",
};

using Cancelled = std::function<bool()>;

int msUntil(Clock::time_point t) {
    auto left = std::chrono::ceil<milliseconds>(t - Clock::now()).count();
    return int(std::clamp<long long>(left, 0, kSlice.count()));
}

// This program's file name, without its folder (or ".exe"): what the router lists the mapping as.
std::string programName() {
#if defined(_WIN32)
    char path[MAX_PATH] = "";
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n);
    name = name.substr(name.find_last_of("\\/") + 1);
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0 ? name.substr(0, name.size() - 4) : name;
#else
    return program_invocation_short_name;
#endif
}

// "a.b.c.d:port" to a socket address.
bool parseAddress(const std::string& text, sockaddr_in& to) {
    auto colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    to = {};
    to.sin_family = AF_INET;
    int port = std::atoi(text.c_str() + colon + 1);
    if (port <= 0 || port > 65535 || inet_pton(AF_INET, text.substr(0, colon).c_str(), &to.sin_addr) != 1) return false;
    to.sin_port = htons(static_cast<uint16_t>(port));
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The LOCATION of an SSDP answer: where the device's description is. "" for anything else.
std::string locationIn(std::string_view reply) {
    if (reply.substr(0, 12) != "HTTP/1.1 200" && reply.substr(0, 12) != "HTTP/1.0 200") return {};
    while (!reply.empty()) {
        auto end = reply.find('\n');
        std::string_view line = reply.substr(0, end);
        reply = end == std::string_view::npos ? std::string_view{} : reply.substr(end + 1);
        auto colon = line.find(':');
        if (colon != 8 || strncasecmp(line.data(), "location", 8) != 0) continue;
        auto url = trim(line.substr(colon + 1));
        if (url.substr(0, 7) == "http://") return std::string(url);
    }
    return {};
}

// Sends an SSDP search for internet gateways to `target` (the multicast group by default) and collects
// the description addresses of the first few that answer before `until`. A description must be on the
// device that answered: its LOCATION could name any host at all.
std::vector<std::string> searchGateways(const std::string& target, Clock::time_point until, const Cancelled& cancelled) {
    std::vector<std::string> found;
    sockaddr_in to{};
    if (!parseAddress(target.empty() ? "239.255.255.250:1900" : target, to)) return found;
    rawsocket::Owned socket(rawsocket::open(false));
    const rawsocket::Fd fd = socket.fd;
    if (fd == rawsocket::kNone) return found;
    // A byte on Linux, a whole int on Windows: both read the low byte.
    int ttl = 2;
    ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, reinterpret_cast<const char*>(&ttl), sizeof ttl);
    char host[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &to.sin_addr, host, sizeof host);
    int rounds = 0;
    bool sent = false;
    auto nextRound = Clock::now();
    for (auto now = Clock::now(); now < until && !cancelled(); now = Clock::now()) {
        if (rounds < kSearchRounds && now >= nextRound) {
            for (const char* st : kSearchTargets) {
                std::string msg = "M-SEARCH * HTTP/1.1\r\nHOST: " + std::string(host) + ":" + std::to_string(ntohs(to.sin_port)) +
                                  "\r\nST: " + st + "\r\nMAN: \"ssdp:discover\"\r\nMX: 1\r\n\r\n";
                sent |= rawsocket::sendTo(fd, msg.data(), msg.size(), to) > 0;
            }
            if (!sent) break;  // no network to search
            ++rounds;
            nextRound = now + kSearchResend;
        }
        if (!rawsocket::await(fd, false, msUntil(rounds < kSearchRounds ? std::min(until, nextRound) : until))) continue;
        char buf[2048];
        sockaddr_in from{};
        const long n = rawsocket::receiveFrom(fd, buf, sizeof buf, from);
        if (n <= 0) continue;
        std::string place = locationIn({buf, std::size_t(n)});
        char source[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &from.sin_addr, source, sizeof source);
        http::Url url;
        if (!http::ParseUrl(place, url) || url.host != source || std::find(found.begin(), found.end(), place) != found.end())
            continue;
        found.push_back(place);
        if (found.size() == kMaxDevices) break;
        until = std::min(until, Clock::now() + kStragglers);
    }
    return found;
}

#if GORVATH_NATPMP
// Waits for the answer to the pending NAT-PMP request until `until`, letting libnatpmp send it again
// meanwhile. NATPMP_TRYAGAIN when the time ran out.
int natPmpAnswer(natpmp_t& n, natpmpresp_t& answer, Clock::time_point until, const Cancelled& cancelled) {
    for (;;) {
        int r = readnatpmpresponseorretry(&n, &answer);
        if (r != NATPMP_TRYAGAIN || Clock::now() >= until || cancelled()) return r;
        timeval retry{};
        getnatpmprequesttimeout(&n, &retry);
        auto resend = Clock::now() + milliseconds(std::max<long>(0, retry.tv_sec * 1000 + retry.tv_usec / 1000));
        rawsocket::await(n.s, false, msUntil(std::min(until, resend)));
    }
}

std::string natPmpWords(int r) {
    switch (r) {
        case NATPMP_TRYAGAIN:
        case NATPMP_ERR_NOGATEWAYSUPPORT: return "no answer";
        case NATPMP_ERR_CANNOTGETGATEWAY: return "no gateway";
        case NATPMP_ERR_RECVFROM:
        case NATPMP_ERR_SENDERR:
        case NATPMP_ERR_CONNECTERR: return "gateway unreachable";
        case NATPMP_ERR_NOTAUTHORIZED: return "refused by the router";
        case NATPMP_ERR_OUTOFRESOURCES: return "the router has no room";
        case NATPMP_ERR_NETWORKFAILURE: return "the router is offline";
        default: return "error " + std::to_string(r);
    }
}

#endif

std::string upnpWords(int r) {
    const char* s = strupnperror(r);
    return s ? s : "error " + std::to_string(r);
}

#if GORVATH_NATPMP
// One exchange with the NAT-PMP gateway (the default one when `gateway` is ""): `send` makes the request,
// the answer is awaited until `until`.
int natPmpExchange(const std::string& gateway, const std::function<int(natpmp_t*)>& send, natpmpresp_t& answer,
                   Clock::time_point until, const Cancelled& cancelled) {
    natpmp_t n{};
    n.s = -1;
    in_addr gw{};
    bool forced = !gateway.empty();
    if (forced && inet_pton(AF_INET, gateway.c_str(), &gw) != 1) return NATPMP_ERR_CANNOTGETGATEWAY;
    int r = initnatpmp(&n, forced, gw.s_addr);
    if (r < 0) {
        // It fails after opening its socket when there is no gateway or no way to it: closed here.
        if (n.s >= 0) closenatpmp(&n);
        return r;
    }
    r = send(&n);
    if (r >= 0) r = natPmpAnswer(n, answer, until, cancelled);
    closenatpmp(&n);
    return r;
}

#endif

// An internet gateway's connection service (WANIPConnection or WANPPPConnection): where it takes
// orders, and this machine's address as the gateway sees it.
struct Gateway {
    http::Url control;
    std::string service;
    std::string lanAddress;
};

using Arguments = std::vector<std::pair<std::string, std::string>>;

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return out;
}

// The text of the first element called `name`, with or without a namespace prefix; "" without one.
std::string elementText(const std::string& xml, const std::string& name) {
    for (auto at = xml.find(name + ">"); at != std::string::npos; at = xml.find(name + ">", at + 1)) {
        const auto open = xml.rfind('<', at);
        if (open == std::string::npos) continue;
        const std::string_view prefix(xml.data() + open + 1, at - open - 1);
        if (!prefix.empty() && (prefix.back() != ':' || prefix.find_first_of("/ \t\r\n\"=") != std::string_view::npos)) continue;
        const auto text = at + name.size() + 1;
        return xml.substr(text, xml.find('<', text) - text);
    }
    return {};
}

// An address as the router wrote it, when it is one (IPv4 or IPv6); "" for anything else.
std::string addressOrNothing(const std::string& text) {
    unsigned char bytes[sizeof(in6_addr)];
    return inet_pton(AF_INET, text.c_str(), bytes) == 1 || inet_pton(AF_INET6, text.c_str(), bytes) == 1 ? text : "";
}

// One action of the gateway's connection service: UPNPCOMMAND_SUCCESS with the answer's body in `answer`,
// the UPnP error code of a refusal, or UPNPCOMMAND_HTTP_ERROR when no answer came in time and in bounds.
int soap(const Gateway& g, const std::string& action, const Arguments& arguments, std::string& answer, Clock::time_point until,
         const Cancelled& cancelled) {
    std::string body =
        "<?xml version=\"1.0\"?>\r\n<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body><u:" +
        action + " xmlns:u=\"" + g.service + "\">";
    for (const auto& [name, value] : arguments) body += "<" + name + ">" + xmlEscaped(value) + "</" + name + ">";
    body += "</u:" + action + "></s:Body></s:Envelope>\r\n";
    const std::string headers =
        "Content-Type: text/xml; charset=\"utf-8\"\r\nSOAPAction: \"" + g.service + "#" + action + "\"\r\n";
    http::Reply reply = http::Post(g.control, headers, body, until, cancelled);
    answer = std::move(reply.body);
    if (reply.status == 200) return UPNPCOMMAND_SUCCESS;
    const int code = std::atoi(elementText(answer, "errorCode").c_str());
    return reply.status == 500 && code > 0 ? code : UPNPCOMMAND_HTTP_ERROR;
}

// The connection service of the device described at `location`, when it is an internet gateway.
std::optional<Gateway> describe(const std::string& location, Clock::time_point until, const Cancelled& cancelled) {
    http::Url where;
    if (!http::ParseUrl(location, where)) return std::nullopt;
    const http::Reply description = http::Get(where, until, cancelled);
    if (description.status != 200) return std::nullopt;
    IGDdatas data{};
    parserootdesc(description.body.data(), int(description.body.size()), &data);
    if (!data.first.servicetype[0]) return std::nullopt;
    UPNPUrls urls{};
    GetUPNPUrls(&urls, &data, location.c_str(), 0);
    Gateway g;
    // Orders go to the device itself, as the request for its description did.
    const bool here = urls.controlURL && http::ParseUrl(urls.controlURL, g.control) && g.control.host == where.host;
    FreeUPNPUrls(&urls);
    if (!here) return std::nullopt;
    g.service = data.first.servicetype;
    g.lanAddress = description.localAddress;
    return g;
}

constexpr auto kNever = Clock::time_point::max();
const Cancelled kNotCancelled = [] { return false; };

// The mapping this machine holds, with what it takes to renew and remove it.
struct Held {
    enum Kind { None, Upnp, NatPmp } kind = None;
    int port = 0;
    Gateway upnp;
    std::string lease;
    std::string gateway;
    Clock::time_point renewAt = kNever;

    int upnpAdd(Clock::time_point until, const Cancelled& cancelled) const {
        const std::string p = std::to_string(port);
        std::string answer;
        return soap(upnp, "AddPortMapping",
                    {{"NewRemoteHost", ""},
                     {"NewExternalPort", p},
                     {"NewProtocol", "TCP"},
                     {"NewInternalPort", p},
                     {"NewInternalClient", upnp.lanAddress},
                     {"NewEnabled", "1"},
                     {"NewPortMappingDescription", programName()},
                     {"NewLeaseDuration", lease}},
                    answer, until, cancelled);
    }
#if GORVATH_NATPMP
    // Asks the NAT-PMP gateway to map the port for `lifetime` seconds; 0 removes the mapping.
    int natPmpMap(int lifetime, Clock::time_point until, const Cancelled& cancelled, natpmpresp_t& answer) {
        auto send = [&](natpmp_t* n) {
            return sendnewportmappingrequest(n, NATPMP_PROTOCOL_TCP, uint16_t(port), uint16_t(lifetime ? port : 0),
                                             uint32_t(lifetime));
        };
        return natPmpExchange(gateway, send, answer, until, cancelled);
    }
#endif
    void renew() {
        if (kind == Upnp) upnpAdd(Clock::now() + kRouterReply, kNotCancelled);
#if GORVATH_NATPMP
        natpmpresp_t answer;
        if (kind == NatPmp) natPmpMap(kLeaseSeconds, Clock::now() + kRouterReply, kNotCancelled, answer);
#endif
        renewAt = Clock::now() + kRenewEvery;
    }
    void remove() {
        if (kind == Upnp) {
            std::string answer;
            soap(upnp, "DeletePortMapping",
                 {{"NewRemoteHost", ""}, {"NewExternalPort", std::to_string(port)}, {"NewProtocol", "TCP"}}, answer,
                 Clock::now() + kRouterReply, kNotCancelled);
        }
#if GORVATH_NATPMP
        if (kind == NatPmp) {
            natpmpresp_t answer;
            natPmpMap(0, Clock::now() + kRouterReply, kNotCancelled, answer);
        }
#endif
        kind = None;
        renewAt = kNever;
    }
};

struct Job {
    enum Kind { Map, Stop, Quit } kind;
    unsigned generation = 0;
    int port = 0;
    std::string searchAddress, natPmpGateway;
};

// The first gateway among the devices that says it is connected; one that says otherwise only when no
// other is.
std::optional<Gateway> chooseGateway(const std::vector<std::string>& places, Clock::time_point until,
                                     const Cancelled& cancelled) {
    std::optional<Gateway> chosen;
    for (const std::string& place : places) {
        auto g = describe(place, until, cancelled);
        if (!g) continue;
        std::string status;
        const bool connected = soap(*g, "GetStatusInfo", {}, status, until, cancelled) == UPNPCOMMAND_SUCCESS &&
                               elementText(status, "NewConnectionStatus") == "Connected";
        if (connected || !chosen) chosen = std::move(g);
        if (connected) break;
    }
    return chosen;
}

std::string tryUpnp(const Job& job, Held& held, PortMapResult& result, Clock::time_point start, const Cancelled& cancelled) {
    auto places = searchGateways(job.searchAddress, start + kSearchTime, cancelled);
    if (places.empty()) return "no answer";
    const auto until = start + kUpnpBudget;
    auto gateway = chooseGateway(places, until, cancelled);
    if (!gateway) return "no internet gateway among the devices that answered";
    Held h;
    h.port = job.port;
    h.upnp = std::move(*gateway);
    h.lease = std::to_string(kLeaseSeconds);
    int r = h.upnpAdd(until, cancelled);
    if (r == 725) {  // the router only takes mappings for good
        h.lease = "0";
        r = h.upnpAdd(until, cancelled);
    }
    if (r == UPNPCOMMAND_HTTP_ERROR) return "no usable answer to the mapping";
    if (r != UPNPCOMMAND_SUCCESS) return "refused by the router (" + upnpWords(r) + ")";
    std::string answer, external;
    if (soap(h.upnp, "GetExternalIPAddress", {}, answer, until, cancelled) == UPNPCOMMAND_SUCCESS)
        external = addressOrNothing(elementText(answer, "NewExternalIPAddress"));
    h.kind = Held::Upnp;
    if (h.lease != "0") h.renewAt = Clock::now() + kRenewEvery;
    held = h;
    result = {true, external, job.port, "UPnP", ""};
    return {};
}

#if GORVATH_NATPMP
std::string tryNatPmp(const Job& job, Held& held, PortMapResult& result, Clock::time_point until, const Cancelled& cancelled) {
    natpmpresp_t answer;
    int r = natPmpExchange(job.natPmpGateway, sendpublicaddressrequest, answer, until, cancelled);
    if (r < 0) return natPmpWords(r);
    char external[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &answer.pnu.publicaddress.addr, external, sizeof external);
    Held h;
    h.port = job.port;
    h.gateway = job.natPmpGateway;
    r = h.natPmpMap(kLeaseSeconds, Clock::now() + kRouterReply, cancelled, answer);
    if (r < 0) return natPmpWords(r);
    const auto& mapping = answer.pnu.newportmapping;
    if (answer.type != NATPMP_RESPTYPE_TCPPORTMAPPING || mapping.privateport != job.port) return "unexpected answer";
    h.kind = Held::NatPmp;
    h.renewAt = Clock::now() +
                std::clamp<Clock::duration>(std::chrono::seconds(mapping.lifetime / 2), std::chrono::seconds(30), kRenewEvery);
    held = h;
    result = {true, external, mapping.mappedpublicport, "NAT-PMP", ""};
    return {};
}

#endif

PortMapResult attempt(const Job& job, Held& held, const Cancelled& cancelled) {
    PortMapResult result;
    if (job.port <= 0 || job.port > 65535) {
        result.why = "no such port";
        return result;
    }
    auto start = Clock::now();
    std::string upnp = tryUpnp(job, held, result, start, cancelled);
    if (result.mapped || cancelled()) return result;
#if GORVATH_NATPMP
    auto until = std::max(start + kSilentBudget, Clock::now() + kNatPmpAtLeast);
    std::string natPmp = tryNatPmp(job, held, result, until, cancelled);
    if (result.mapped) return result;
    if (upnp == "no answer" && natPmp == "no answer")
        result.why = "no router answered (UPnP, NAT-PMP)";
    else
        result.why = "UPnP: " + upnp + "; NAT-PMP: " + natPmp;
#else
    result.why = upnp == "no answer" ? "no router answered (UPnP)" : "UPnP: " + upnp;
#endif
    return result;
}

}  // namespace

// What the owner and its thread share. The thread holds it too, so it may outlive the owner.
struct PortMapper::Shared {
    std::mutex m;
    std::condition_variable cv;
    std::deque<Job> jobs;
    bool finished = false;
    PortMapper* owner = nullptr;  // cleared by the destructor: no answer is delivered after it
    EventLoop* loop = nullptr;
    std::atomic<unsigned> generation{0};  // every start(), stop() and the destructor abandon what went before

    void push(Job job) {
        {
            std::lock_guard lk(m);
            jobs.push_back(std::move(job));
        }
        cv.notify_all();
    }

    static void work(std::shared_ptr<Shared> st) {
#if !defined(_WIN32)
        // The library writes to sockets the router may have closed: that must not end the program.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
#endif
        rawsocket::ready();
        Held held;
        std::unique_lock lk(st->m);
        for (;;) {
            if (st->jobs.empty()) {
                auto someJob = [&] { return !st->jobs.empty(); };
                if (held.renewAt == kNever)
                    st->cv.wait(lk, someJob);
                else if (!st->cv.wait_until(lk, held.renewAt, someJob)) {
                    lk.unlock();
                    held.renew();
                    lk.lock();
                }
                continue;
            }
            Job job = std::move(st->jobs.front());
            st->jobs.pop_front();
            lk.unlock();
            held.remove();
            Cancelled cancelled = [&] { return st->generation != job.generation; };
            std::optional<PortMapResult> result;
            if (job.kind == Job::Map && !cancelled()) result = attempt(job, held, cancelled);
            lk.lock();
            if (result && st->owner && !cancelled()) {
                asio::post(st->loop->io(), [st, gen = job.generation, r = *result] {
                    // Runs inside the loop's io polling: the owner hears of it from the loop's queue.
                    st->loop->post([st, gen, r] {
                        PortMapper* owner = nullptr;
                        {
                            std::lock_guard g(st->m);
                            owner = st->owner;
                        }
                        if (owner) owner->deliver(gen, r);
                    });
                });
            }
            if (job.kind == Job::Quit) {
                st->finished = true;
                st->cv.notify_all();
                return;
            }
        }
    }
};

PortMapper::PortMapper(EventLoop& loop) : loop_(loop) {}

PortMapper::~PortMapper() {
    settle();
    if (!shared_) return;
    std::unique_lock lk(shared_->m);
    shared_->owner = nullptr;
    ++shared_->generation;
    shared_->jobs.push_back({Job::Quit, 0, 0, {}, {}});
    shared_->cv.notify_all();
    // The mapping is removed before we go on. Only a router that stopped answering in the middle of a
    // call keeps the thread longer: then it finishes (and removes what it made) on its own.
    bool done = shared_->cv.wait_for(lk, kExitWait, [&] { return shared_->finished; });
    lk.unlock();
    if (done)
        worker_.join();
    else
        worker_.detach();
}

void PortMapper::start(int port) {
    // The tests run with GORVATH_TEST_NETWORK_GUARD set: there asking the real network's router (an empty
    // address) is a test's fault, ended at once, before anything is sent.
    const char* guard = std::getenv("GORVATH_TEST_NETWORK_GUARD");
    if (guard && *guard && (searchAddress.empty() || natPmpGateway.empty())) {
        std::fputs("gorvath: a test asked the real network's router\n", stderr);
        std::abort();
    }
    if (!shared_) {
        shared_ = std::make_shared<Shared>();
        shared_->owner = this;
        shared_->loop = &loop_;
        worker_ = std::thread(&Shared::work, shared_);
    }
    shared_->push({Job::Map, ++shared_->generation, port, searchAddress, natPmpGateway});
    // Counted as a socket while the answer is awaited: a waiting loop then sleeps on the io_context, which
    // the answer wakes, instead of sleeping until input or a timer.
    loop_.setSocketActive(this, true);
    if (!waiting_) waiting_.emplace(loop_.io().get_executor());
}

void PortMapper::stop() {
    settle();
    if (!shared_) return;
    shared_->push({Job::Stop, ++shared_->generation, 0, {}, {}});
}

void PortMapper::settle() {
    loop_.setSocketActive(this, false);
    waiting_.reset();
}

void PortMapper::deliver(unsigned generation, const PortMapResult& result) {
    if (generation != shared_->generation) return;  // abandoned meanwhile
    settle();
    if (auto handler = onResult) handler(result);
}

}  // namespace gv
