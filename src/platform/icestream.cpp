#include "platform/icestream.h"

#include "platform/asio.h"
#include <asio/executor_work_guard.hpp>
#include <asio/post.hpp>

#include <nice/agent.h>

#include <arpa/inet.h>
#include <netdb.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace gv {

namespace {

constexpr guint kComponent = 1;
constexpr std::size_t kSendChunk = 16 * 1024;
constexpr guint kRetryMs = 2000;  // a reconnect whose checks all failed checks again after this
// A stream that goes gives its relays back while GLib's thread ends: the thread waits at most this long for
// libnice to let go of the agent (a server that no longer answers leaves requests that must time out
// first), and frees it all.
constexpr gint64 kLingerMs = 30000;
// Asked what it must give back as a stream goes, a server that answers no more is given up on sooner.
constexpr guint kClosingRetransmissions = 3, kClosingTcpTimeoutMs = 3000;

using Candidate = IceCredentials::Candidate;

Candidate::Type typeOf(NiceCandidateType t) {
    switch (t) {
        case NICE_CANDIDATE_TYPE_SERVER_REFLEXIVE: return Candidate::Type::ServerReflexive;
        case NICE_CANDIDATE_TYPE_PEER_REFLEXIVE: return Candidate::Type::PeerReflexive;
        case NICE_CANDIDATE_TYPE_RELAYED: return Candidate::Type::Relayed;
        default: return Candidate::Type::Host;
    }
}

NiceCandidateType niceType(Candidate::Type t) {
    switch (t) {
        case Candidate::Type::ServerReflexive: return NICE_CANDIDATE_TYPE_SERVER_REFLEXIVE;
        case Candidate::Type::PeerReflexive: return NICE_CANDIDATE_TYPE_PEER_REFLEXIVE;
        case Candidate::Type::Relayed: return NICE_CANDIDATE_TYPE_RELAYED;
        default: return NICE_CANDIDATE_TYPE_HOST;
    }
}

Candidate::Transport transportOf(NiceCandidateTransport t) {
    switch (t) {
        case NICE_CANDIDATE_TRANSPORT_TCP_ACTIVE: return Candidate::Transport::TcpActive;
        case NICE_CANDIDATE_TRANSPORT_TCP_PASSIVE: return Candidate::Transport::TcpPassive;
        case NICE_CANDIDATE_TRANSPORT_TCP_SO: return Candidate::Transport::TcpSo;
        default: return Candidate::Transport::Udp;
    }
}

NiceCandidateTransport niceTransport(Candidate::Transport t) {
    switch (t) {
        case Candidate::Transport::TcpActive: return NICE_CANDIDATE_TRANSPORT_TCP_ACTIVE;
        case Candidate::Transport::TcpPassive: return NICE_CANDIDATE_TRANSPORT_TCP_PASSIVE;
        case Candidate::Transport::TcpSo: return NICE_CANDIDATE_TRANSPORT_TCP_SO;
        default: return NICE_CANDIDATE_TRANSPORT_UDP;
    }
}

std::string addressText(const NiceAddress& a) {
    char text[NICE_ADDRESS_STRING_LEN] = {};
    nice_address_to_string(&a, text);
    return text;
}

Candidate fromNice(const NiceCandidate& c) {
    Candidate out;
    out.type = typeOf(c.type);
    out.transport = transportOf(c.transport);
    out.address = addressText(c.addr);
    out.port = static_cast<std::uint16_t>(nice_address_get_port(&c.addr));
    out.priority = c.priority;
    out.component = static_cast<std::uint8_t>(c.component_id);
    out.foundation = c.foundation;
    return out;
}

// The first address of a server's name (a numeric one as it is), for libnice, which looks up no names;
// "" when there is none. Runs on GLib's thread: a slow name server holds up the gathering, not the game.
std::string numericAddress(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return {};
    char text[INET6_ADDRSTRLEN] = {};
    const void* at = found->ai_family == AF_INET6
                         ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(found->ai_addr)->sin6_addr)
                         : static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr);
    const bool ok = inet_ntop(found->ai_family, at, text, sizeof text) != nullptr;
    freeaddrinfo(found);
    return ok ? text : std::string();
}

// What the selected pair says, read on GLib's thread and judged on the game's.
struct Selected {
    Candidate local, remote;
    bool controlling = false;
};

}  // namespace

// What GLib's thread and the game's share: the loop to post to, and whether the stream still listens.
// `owner` is read and cleared on the loop's thread only.
// `loop` is cleared, under the lock, when the stream goes (before its loop can): GLib's thread, which may
// outlive both, then posts nothing more.
struct IceStream::Bridge {
    std::mutex lock;
    EventLoop* loop;
    IceStream* owner;
};

struct IceStream::Impl {
    std::shared_ptr<Bridge> bridge;
    GMainContext* context = nullptr;
    GMainLoop* mainLoop = nullptr;
    NiceAgent* agent = nullptr;
    guint stream = 0;
    std::thread thread;
    // While the stream is open the loop's io_context never runs dry: a waiting loop sleeps in it and wakes
    // the moment GLib's thread posts.
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> keepAwake;

    // GLib's thread only.
    std::string outbox;
    GSource* timeout = nullptr;
    GSource* retry = nullptr;
    bool ready = false;
    IceCredentials local, remote;  // as first exchanged: a reconnect's credentials are made from them
    int generation = 0;            // 0 until the first reconnect
    bool ended = false;
    bool stunSet = false;
    bool shutting = false;  // giving the relays back, and then removing the stream

    // Runs `job` on GLib's thread, after the jobs given before it.
    void run(std::function<void(Impl&)> job) {
        auto* held = new std::function<void()>([this, job = std::move(job)] { job(*this); });
        g_main_context_invoke_full(
            context, G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                (*static_cast<std::function<void()>*>(data))();
                return G_SOURCE_REMOVE;
            },
            held, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
    }

    // Hands `event` to the game: through the io_context (safe from any thread) onto the loop's queue.
    void up(std::function<void(IceStream&)> event) {
        auto b = bridge;
        const std::lock_guard held(b->lock);
        if (!b->loop) return;
        EventLoop* loop = b->loop;
        asio::post(loop->io(), [b, loop, event = std::move(event)] {
            if (!b->owner) return;
            loop->post([b, event] {
                if (b->owner) event(*b->owner);
            });
        });
    }

    void end(const std::string& reason) {
        if (ended) return;
        ended = true;
        stopTimeout();
        stopRetry();
        up([reason](IceStream& s) { s.finish(reason); });
    }

    // Lets go of the agent and runs its context until libnice has let go too (the relays given back, or the
    // servers given up on), kLingerMs at most: then the agent, its sockets and its sources are gone.
    void release() {
        g_object_add_weak_pointer(G_OBJECT(agent), reinterpret_cast<gpointer*>(&agent));
        g_object_unref(agent);
        if (!agent) return;
        GSource* tick = g_timeout_source_new(100);  // wakes the wait below to look at the clock
        g_source_set_callback(
            tick, [](gpointer) { return gboolean(G_SOURCE_CONTINUE); }, nullptr, nullptr);
        g_source_attach(tick, context);
        const gint64 until = g_get_monotonic_time() + kLingerMs * 1000;
        while (agent && g_get_monotonic_time() < until) g_main_context_iteration(context, TRUE);
        stop(tick);
        if (agent) g_object_remove_weak_pointer(G_OBJECT(agent), reinterpret_cast<gpointer*>(&agent));
    }

    static void stop(GSource*& source) {
        if (!source) return;
        g_source_destroy(source);
        g_source_unref(source);
        source = nullptr;
    }
    void stopTimeout() { stop(timeout); }
    void stopRetry() { stop(retry); }

    // A connect, or a reconnect, gives up after `ms`.
    void startTimeout(int ms) {
        stopTimeout();
        timeout = g_timeout_source_new(static_cast<guint>(std::max(ms, 1)));
        g_source_set_callback(timeout, &Impl::timedOut, this, nullptr);
        g_source_attach(timeout, context);
    }

    void flush() {
        std::size_t sent = 0;
        while (!ended && sent < outbox.size()) {
            const std::size_t n = std::min(kSendChunk, outbox.size() - sent);
            const gint took = nice_agent_send(agent, stream, kComponent, static_cast<guint>(n), outbox.data() + sent);
            if (took <= 0) break;  // not open yet, or the window is full: reliable-transport-writable follows
            sent += static_cast<std::size_t>(took);
        }
        outbox.erase(0, sent);
    }

    // Gives the relays back to their servers (a server that answers no more is given up on after a few
    // tries), then removes the stream: its sockets close and the peer finds the path gone. Only then: a
    // stream removed while its relays are being given back leaves libnice sending on closed sockets.
    void shutDown() {
        if (shutting) return;
        shutting = true;
        g_object_set(agent, "stun-max-retransmissions", kClosingRetransmissions, "stun-reliable-timeout", kClosingTcpTimeoutMs,
                     nullptr);
        nice_agent_close_async(agent, &Impl::relaysGiven, this);
    }
    static void relaysGiven(GObject*, GAsyncResult*, gpointer data) { static_cast<Impl*>(data)->removeStream(); }

    void removeStream() {
        if (!stream) return;
        nice_agent_attach_recv(agent, stream, kComponent, context, nullptr, nullptr);
        nice_agent_remove_stream(agent, stream);
        stream = 0;
    }

    void lose() {
        if (ended || !ready) return;
        ready = false;
        up([](IceStream& s) { s.lost(); });
    }

    void retryLater() {
        if (ended || retry) return;
        retry = g_timeout_source_new(kRetryMs);
        g_source_set_callback(
            retry,
            [](gpointer data) {
                auto* self = static_cast<Impl*>(data);
                g_source_unref(self->retry);
                self->retry = nullptr;
                if (!self->ended && !self->ready) self->restart();
                return G_SOURCE_REMOVE;
            },
            this, nullptr);
        g_source_attach(retry, context);
    }

    // The peer's credentials and candidates; false when none of them can be used.
    bool setRemote(const IceCredentials& r) {
        nice_agent_set_remote_credentials(agent, stream, r.ufrag.c_str(), r.password.c_str());
        GSList* list = nullptr;
        for (const Candidate& c : r.candidates) {
            NiceCandidate* n = nice_candidate_new(niceType(c.type));
            n->transport = niceTransport(c.transport);
            n->stream_id = stream;
            n->component_id = c.component;
            n->priority = c.priority;
            g_strlcpy(n->foundation, c.foundation.c_str(), NICE_CANDIDATE_MAX_FOUNDATION);
            if (c.component == kComponent && nice_address_set_from_string(&n->addr, c.address.c_str())) {
                nice_address_set_port(&n->addr, c.port);
                list = g_slist_append(list, n);
            } else {
                nice_candidate_free(n);
            }
        }
        const int added = list ? nice_agent_set_remote_candidates(agent, stream, kComponent, list) : 0;
        for (GSList* i = list; i; i = i->next) nice_candidate_free(static_cast<NiceCandidate*>(i->data));
        g_slist_free(list);
        return added > 0;
    }

    // ICE again on the same sockets and relays, with the credentials of this generation: both sides work
    // them out from the first ones, so the players exchange no new codes.
    void restart() {
        if (ended || !stream) return;
        const std::string mark = "+" + std::to_string(generation);
        nice_agent_restart_stream(agent, stream);
        nice_agent_set_local_credentials(agent, stream, (local.ufrag + mark).c_str(), (local.password + mark).c_str());
        IceCredentials r = remote;
        r.ufrag += mark;
        r.password += mark;
        if (!setRemote(r)) end("the peer offered no usable address");
    }

    static void gathered(NiceAgent* agent, guint streamId, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        IceCredentials local;
        gchar* ufrag = nullptr;
        gchar* password = nullptr;
        if (nice_agent_get_local_credentials(agent, streamId, &ufrag, &password)) {
            local.ufrag = ufrag;
            local.password = password;
        }
        g_free(ufrag);
        g_free(password);
        GSList* list = nice_agent_get_local_candidates(agent, streamId, kComponent);
        for (GSList* i = list; i; i = i->next) local.candidates.push_back(fromNice(*static_cast<NiceCandidate*>(i->data)));
        for (GSList* i = list; i; i = i->next) nice_candidate_free(static_cast<NiceCandidate*>(i->data));
        g_slist_free(list);
        if (local.candidates.empty()) return self->end("no network address to offer");
        self->local = local;
        self->up([local](IceStream& s) {
            if (auto handler = s.onGathered) handler(local);
        });
    }

    static void stateChanged(NiceAgent* agent, guint streamId, guint, guint state, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        if (self->ended || streamId != self->stream) return;
        // Before the pair is ready a failure is not final (the peer's checks may start later, once it has
        // our answer): the connect's timeout decides. A reconnect checks again a moment later, as the path
        // may be back by then. A pair that was ready and failed is lost: reconnect() may bring it back.
        if (state == NICE_COMPONENT_STATE_FAILED && self->ready) return self->lose();
        if (state == NICE_COMPONENT_STATE_FAILED && self->generation > 0) return self->retryLater();
        if (state != NICE_COMPONENT_STATE_READY || self->ready) return;
        NiceCandidate* local = nullptr;
        NiceCandidate* remote = nullptr;
        if (!nice_agent_get_selected_pair(agent, streamId, kComponent, &local, &remote)) return;
        self->ready = true;
        self->stopTimeout();
        self->stopRetry();
        Selected pair{fromNice(*local), fromNice(*remote), false};
        gboolean controlling = FALSE;
        g_object_get(agent, "controlling-mode", &controlling, nullptr);
        pair.controlling = controlling != FALSE;
        self->up([pair](IceStream& s) { s.arrived(pair.local, pair.remote, pair.controlling); });
        self->flush();
    }

    static void writable(NiceAgent*, guint streamId, guint, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        if (streamId == self->stream) self->flush();
    }

    static void received(NiceAgent*, guint, guint, guint len, gchar* buf, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        if (self->ended || len == 0) return;
        self->up([bytes = std::string(buf, len)](IceStream& s) { s.take(bytes); });
    }

    static gboolean timedOut(gpointer data) {
        auto* self = static_cast<Impl*>(data);
        g_source_unref(self->timeout);
        self->timeout = nullptr;
        self->end("no route to the peer");
        return G_SOURCE_REMOVE;
    }
};

IceStream::IceStream(EventLoop& loop, bool controlling)
    : loop_(loop),
      bridge_(std::make_shared<Bridge>()),
      impl_(std::make_unique<Impl>()) {
    Impl& s = *impl_;
    bridge_->loop = &loop;
    bridge_->owner = this;
    s.bridge = bridge_;
    s.context = g_main_context_new();
    s.mainLoop = g_main_loop_new(s.context, FALSE);
    s.agent = nice_agent_new_reliable(s.context, NICE_COMPATIBILITY_RFC5245);
    // No UPnP: it would ask the local network's router; keepalives are checks, so a vanished peer fails.
    g_object_set(s.agent, "controlling-mode", controlling ? TRUE : FALSE, "upnp", FALSE, "ice-tcp", FALSE, "keepalive-conncheck",
                 TRUE, nullptr);
    s.stream = nice_agent_add_stream(s.agent, 1);
    auto connect = [&](const char* signal, GCallback handler) {
        g_signal_connect_data(s.agent, signal, handler, &s, nullptr, GConnectFlags{});
    };
    connect("candidate-gathering-done", reinterpret_cast<GCallback>(&Impl::gathered));
    connect("component-state-changed", reinterpret_cast<GCallback>(&Impl::stateChanged));
    connect("reliable-transport-writable", reinterpret_cast<GCallback>(&Impl::writable));
    nice_agent_attach_recv(s.agent, s.stream, kComponent, s.context, &Impl::received, &s);
    s.thread = std::thread([&s] {
        g_main_context_push_thread_default(s.context);
        g_main_loop_run(s.mainLoop);
        // The stream is gone: the agent goes on this thread, in its context, and then all the rest.
        s.release();
        g_main_context_pop_thread_default(s.context);
        g_main_loop_unref(s.mainLoop);
        g_main_context_unref(s.context);  // what is still queued on it (jobs given after the last) goes with it
        delete &s;
    });
}

IceStream::~IceStream() {
    {
        const std::lock_guard held(bridge_->lock);
        bridge_->loop = nullptr;
        bridge_->owner = nullptr;
    }
    awake(false);
    // GLib's thread ends on its own, and takes the agent and the rest with it: the game does not wait
    // while the relays are given back.
    Impl* s = impl_.release();
    s->thread.detach();  // first: the thread may end, and free all of it, as soon as the job below runs
    s->run([](Impl& g) {
        g.ended = true;
        g.stopTimeout();
        g.stopRetry();
        g_signal_handlers_disconnect_matched(g.agent, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, &g);
        // The relays this stream holds on TURN servers are given back (a friend's server counts them) while
        // the thread lets go of the agent (release).
        g.shutDown();
        g_main_loop_quit(g.mainLoop);
    });
}

bool IceStream::available() { return true; }

void IceStream::addStunServer(const std::string& host, int port) {
    impl_->run([host, port](Impl& g) {
        if (g.stunSet) return;  // the agent asks one STUN server
        const std::string address = numericAddress(host);
        if (address.empty()) return;
        g_object_set(g.agent, "stun-server", address.c_str(), "stun-server-port", static_cast<guint>(port), nullptr);
        g.stunSet = true;
    });
}

void IceStream::addTurnServer(const std::string& host, int port, const std::string& user, const std::string& password, bool tcp) {
    impl_->run([=](Impl& g) {
        const std::string address = numericAddress(host);
        if (address.empty() || !g.stream) return;
        nice_agent_set_relay_info(g.agent, g.stream, kComponent, address.c_str(), static_cast<guint>(port), user.c_str(),
                                  password.c_str(), tcp ? NICE_RELAY_TYPE_TURN_TCP : NICE_RELAY_TYPE_TURN_UDP);
    });
}

void IceStream::addLocalAddress(const std::string& address) {
    impl_->run([address](Impl& g) {
        NiceAddress a;
        nice_address_init(&a);
        if (nice_address_set_from_string(&a, address.c_str())) nice_agent_add_local_address(g.agent, &a);
    });
}

void IceStream::gather() {
    if (closed_) return;
    awake(true);
    impl_->run([](Impl& g) {
        if (!g.stream || !nice_agent_gather_candidates(g.agent, g.stream)) g.end("no network address to offer");
    });
}

void IceStream::connect(const IceCredentials& remote) {
    if (closed_) return;
    remote_ = remote;
    awake(true);
    impl_->run([remote, ms = connectTimeoutMs_](Impl& g) {
        if (g.ended || !g.stream) return;
        g.startTimeout(ms);
        g.remote = remote;
        if (!g.setRemote(remote)) g.end("the peer offered no usable address");
    });
}

void IceStream::reconnect(int generation) {
    if (closed_ || generation <= 0) return;
    connected_ = false;
    awake(true);
    impl_->run([generation, ms = connectTimeoutMs_](Impl& g) {
        if (g.ended || !g.stream) return;
        g.ready = false;
        g.generation = generation;
        g.stopRetry();
        g.startTimeout(ms);
        g.restart();
    });
}

void IceStream::breakConnection() {
    impl_->run([](Impl& g) { g.lose(); });
}

void IceStream::lost() {
    if (closed_ || !connected_) return;
    connected_ = false;
    if (auto handler = onLost) handler();
}

bool IceStream::send(std::string_view data) {
    if (closed_) return false;
    if (data.empty()) return true;
    impl_->run([bytes = std::string(data)](Impl& g) {
        if (g.ended) return;
        g.outbox += bytes;
        if (g.ready) g.flush();
    });
    return true;
}

void IceStream::awake(bool on) {
    if (on == awake_) return;  // a stream closed before it goes touches the loop no more
    awake_ = on;
    loop_.setSocketActive(this, on);
    if (!on)
        impl_->keepAwake.reset();
    else if (!impl_->keepAwake)
        impl_->keepAwake.emplace(loop_.io().get_executor());
}

std::string IceStream::receive() { return std::exchange(inbox_, {}); }

void IceStream::close() {
    if (closed_) return;
    closed_ = true;
    connected_ = false;
    awake(false);
    impl_->run([](Impl& g) {
        g.ended = true;
        g.stopTimeout();
        g.stopRetry();
        g.outbox.clear();
        g.shutDown();
    });
}

void IceStream::finish(const std::string& reason) {
    if (closed_) return;
    closed_ = true;
    connected_ = false;
    awake(false);
    if (auto handler = onClosed) handler(reason);
}

void IceStream::arrived(const Candidate& local, const Candidate& remote, bool controlling) {
    if (closed_ || connected_) return;
    // A check that came in before the peer's candidates did leaves its address peer-reflexive: the type
    // the peer announced for it is the true one.
    remoteChosen_ = remote;
    for (const Candidate& c : remote_.candidates)
        if (c.address == remote.address && c.port == remote.port) remoteChosen_.type = c.type;
    local_ = local;
    using T = Candidate::Type;
    const T localType = local.type, remoteType = remoteChosen_.type;
    std::string how = "hole-punched";
    if (localType == T::Relayed || remoteType == T::Relayed)
        how = "relayed";
    else if (localType == T::Host && remoteType == T::Host)
        how = "direct";
    connected_ = true;
    controlling_ = controlling;
    how_ = how;
    if (auto handler = onConnected) handler(how);
}

void IceStream::take(const std::string& bytes) {
    if (closed_) return;
    inbox_ += bytes;
    if (auto handler = onReadyRead) handler(inbox_.size());
}

}  // namespace gv
