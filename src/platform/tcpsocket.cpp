#include "platform/tcpsocket.h"

#include <array>
#include <asio/executor_work_guard.hpp>
#include <asio/ip/host_name.hpp>
#include <asio/ip/v6_only.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>
#include <chrono>
#include <map>
#include <optional>
#include <system_error>
#include <vector>

#if defined(__linux__)
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace gv {

namespace {

using asio::ip::tcp;

constexpr auto kConnectTimeout = std::chrono::seconds(10);
// After a failed accept (out of file handles and the like) the listener rests before trying again,
// so a persistent failure cannot spin inside one poll of the io_context.
constexpr auto kAcceptRetry = std::chrono::milliseconds(100);
constexpr std::size_t kReadChunk = 64 * 1024;

// Short, human words for what went wrong; the game shows them.
std::string reasonFor(const asio::error_code& ec) {
    if (ec == asio::error::eof) return "closed by peer";
    if (ec == asio::error::connection_refused) return "connection refused";
    if (ec == asio::error::timed_out) return "timed out";
    if (ec == asio::error::connection_reset) return "connection reset";
    if (ec == asio::error::connection_aborted) return "connection aborted";
    if (ec == asio::error::broken_pipe) return "connection lost";
    if (ec == asio::error::network_unreachable || ec == asio::error::network_down) return "network unreachable";
    if (ec == asio::error::host_unreachable) return "host unreachable";
    if (ec == asio::error::host_not_found || ec == asio::error::host_not_found_try_again || ec == asio::error::no_data ||
        ec == asio::error::no_recovery)
        return "host not found";
    // The resolver's own categories (on Windows they are the system's, which says more below).
    if (ec.category() != asio::system_category() &&
        (ec.category() == asio::error::get_netdb_category() || ec.category() == asio::error::get_addrinfo_category()))
        return "host not found";
    return ec.message();
}

// A game connection should notice a vanished peer within seconds, not hours, and its small messages
// must not wait for Nagle. Failures here are harmless: the connection simply keeps the system defaults.
void tuneConnection(tcp::socket& s) {
    asio::error_code ec;
    s.set_option(tcp::no_delay(true), ec);
    s.set_option(asio::socket_base::keep_alive(true), ec);
#if defined(__linux__)
    int fd = s.native_handle();
    int idle = 5, interval = 2, count = 3;
    unsigned int userTimeout = 15000;
#if defined(TCP_KEEPIDLE)
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
#endif
#if defined(TCP_KEEPINTVL)
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
#endif
#if defined(TCP_KEEPCNT)
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
#endif
#if defined(TCP_USER_TIMEOUT)
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
#endif
    (void)idle, (void)interval, (void)count, (void)userTimeout;
#endif
}

bool openAcceptor(tcp::acceptor& a, const tcp& protocol, int port) {
    asio::error_code ec, ignored;
    a.open(protocol, ec);
    if (ec) return false;
    a.set_option(asio::socket_base::reuse_address(true), ec);
    if (protocol == tcp::v6()) {
        // One socket for both families, so 127.0.0.1 and ::1 both reach us.
        a.set_option(asio::ip::v6_only(false), ec);
        if (ec) {
            a.close(ignored);
            return false;
        }
    }
    a.bind(tcp::endpoint(protocol, static_cast<unsigned short>(port)), ec);
    if (!ec) a.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        a.close(ignored);
        return false;
    }
    return true;
}

}  // namespace

// Every asynchronous operation belongs to one of the objects below, and its completion handler holds
// that object by shared_ptr, so buffers and sockets outlive the TcpSocket if they must. `owner` points
// back at the TcpSocket while the object is current; closing, replacing or destroying the TcpSocket
// clears it, and from then on every completion and every queued event for that object is dropped.
struct TcpSocket::Impl {
    struct Conn {
        explicit Conn(tcp::socket s) : sock(std::move(s)) {}
        TcpSocket* owner = nullptr;
        tcp::socket sock;
        std::array<char, kReadChunk> buf{};
        std::string outgoing;  // queued by send(), not yet handed to asio
        std::string writing;   // the one write in flight
        bool writeBusy = false;
        bool lostPosted = false;
        bool readPaused = false;  // the inbox is full: reading goes on when the game has taken it
    };

    struct Listener {
        explicit Listener(asio::io_context& io) : acceptor(io), retry(io) {}
        TcpSocket* owner = nullptr;
        tcp::acceptor acceptor;
        asio::steady_timer retry;
        std::map<int, tcp::socket> requests;
        int nextId = 1;
    };

    struct Dialer {
        explicit Dialer(asio::io_context& io) : resolver(io), timer(io), sock(io) {}
        TcpSocket* owner = nullptr;
        tcp::resolver resolver;
        asio::steady_timer timer;
        tcp::socket sock;
        std::vector<tcp::endpoint> endpoints;
        std::size_t next = 0;
        unsigned attempt = 0;  // a late timer or completion of an earlier attempt sees a different number
        bool timedOut = false;
        bool boundLocal = false;
        std::string lastReason;
    };

    std::shared_ptr<Conn> conn;
    std::shared_ptr<Listener> listener;
    std::shared_ptr<Dialer> dialer;
    // While the socket is open the io_context never runs dry, so the loop's socket waits really
    // wait their slice instead of returning at once.
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> keepAwake;

    bool idle() const { return !conn && !listener && !dialer; }
    bool sending() const { return conn && (conn->writeBusy || !conn->outgoing.empty()); }

    void dropConn() {
        if (!conn) return;
        asio::error_code ignored;
        conn->owner = nullptr;
        conn->sock.close(ignored);
        conn.reset();
    }
    void dropListener() {
        if (!listener) return;
        asio::error_code ignored;
        listener->owner = nullptr;
        listener->acceptor.close(ignored);
        listener->retry.cancel();
        for (auto& [id, s] : listener->requests) s.close(ignored);
        listener->requests.clear();
        listener.reset();
    }
    void dropDialer() {
        if (!dialer) return;
        asio::error_code ignored;
        dialer->owner = nullptr;
        dialer->resolver.cancel();
        dialer->timer.cancel();
        dialer->sock.close(ignored);
        dialer.reset();
    }
    void dropAll() {
        dropConn();
        dropListener();
        dropDialer();
    }

    static void adopt(TcpSocket& s, tcp::socket sock) {
        auto c = std::make_shared<Conn>(std::move(sock));
        tuneConnection(c->sock);
        c->owner = &s;
        s.impl_->conn = c;
        s.setState(Connected);
        startRead(c);
        if (!s.early_.empty()) {
            c->outgoing.swap(s.early_);
            s.early_.clear();
            startWrite(c);
        }
    }

    // --- an open connection ---

    static void startRead(const std::shared_ptr<Conn>& c) {
        c->sock.async_read_some(asio::buffer(c->buf), [c](const asio::error_code& ec, std::size_t n) {
            TcpSocket* s = c->owner;
            if (!s) return;
            if (n > 0) {
                s->inbox_.append(c->buf.data(), n);
                s->loop_.post([c] {
                    TcpSocket* owner = c->owner;
                    // An earlier handler may already have taken these bytes.
                    if (!owner || owner->inbox_.empty()) return;
                    auto handler = owner->onDataArrival;
                    if (handler) handler(owner->inbox_.size());
                });
            }
            if (ec) {
                lose(c, ec);
                return;
            }
            if (s->inbox_.size() >= kMaxInbox) {
                c->readPaused = true;
                return;
            }
            startRead(c);
        });
    }

    static void startWrite(const std::shared_ptr<Conn>& c) {
        if (c->writeBusy || c->outgoing.empty()) return;
        c->writing.swap(c->outgoing);
        c->outgoing.clear();
        c->writeBusy = true;
        asio::async_write(c->sock, asio::buffer(c->writing), [c](const asio::error_code& ec, std::size_t) {
            c->writeBusy = false;
            c->writing.clear();
            if (!c->owner) return;
            if (ec) {
                lose(c, ec);
                return;
            }
            startWrite(c);
        });
    }

    // The connection ended under us: tell the game once, through the loop.
    static void lose(const std::shared_ptr<Conn>& c, const asio::error_code& ec) {
        TcpSocket* s = c->owner;
        if (!s || c->lostPosted || ec == asio::error::operation_aborted) return;
        c->lostPosted = true;
        State next = ec == asio::error::eof ? Closed : Error;
        std::string reason = reasonFor(ec);
        s->loop_.post([c, next, reason] {
            TcpSocket* owner = c->owner;
            if (!owner) return;
            owner->impl_->dropConn();  // bytes already in the inbox stay readable
            // A host that still listens goes on listening.
            owner->setState(owner->impl_->listener ? Listening : next);
            auto handler = owner->onClosed;
            if (handler) handler(reason);
        });
    }

    // --- listening ---

    static void acceptNext(const std::shared_ptr<Listener>& l) {
        l->acceptor.async_accept([l](const asio::error_code& ec, tcp::socket sock) {
            TcpSocket* s = l->owner;
            if (!s) return;
            if (ec) {
                if (ec == asio::error::operation_aborted) return;
                l->retry.expires_after(kAcceptRetry);
                l->retry.async_wait([l](const asio::error_code& wec) {
                    if (!wec && l->owner) acceptNext(l);
                });
                return;
            }
            int id = l->nextId++;
            l->requests.emplace(id, std::move(sock));
            s->loop_.post([l, id] {
                TcpSocket* owner = l->owner;
                if (!owner || !l->requests.count(id)) return;
                auto handler = owner->onConnectionRequest;
                if (handler) handler(id);
            });
            acceptNext(l);
        });
    }

    // --- connecting ---

    static void dialFailed(const std::shared_ptr<Dialer>& d, std::string reason) {
        TcpSocket* s = d->owner;
        if (!s) return;
        s->loop_.post([d, reason = std::move(reason)] {
            TcpSocket* owner = d->owner;
            if (!owner) return;
            owner->impl_->dropDialer();
            owner->setState(Error);
            auto handler = owner->onClosed;
            if (handler) handler(reason);
        });
    }

    static void tryNext(const std::shared_ptr<Dialer>& d) {
        if (d->next >= d->endpoints.size()) {
            dialFailed(d, d->lastReason.empty() ? "connection failed" : d->lastReason);
            return;
        }
        tcp::endpoint ep = d->endpoints[d->next++];
        attempt(d, ep, d->owner->localPort_ > 0 && d->owner->localPort_ <= 65535);
    }

    static void attempt(const std::shared_ptr<Dialer>& d, const tcp::endpoint& ep, bool useLocalPort) {
        asio::error_code ec, ignored;
        d->sock.close(ignored);
        d->sock.open(ep.protocol(), ec);
        if (ec) {
            d->lastReason = reasonFor(ec);
            tryNext(d);
            return;
        }
        d->boundLocal = false;
        if (useLocalPort) {
            d->sock.set_option(asio::socket_base::reuse_address(true), ec);
            d->sock.bind(tcp::endpoint(ep.protocol(), static_cast<unsigned short>(d->owner->localPort_)), ec);
            if (!ec) {
                d->boundLocal = true;
            } else {
                // The port is taken: any free one will do.
                d->sock.close(ignored);
                d->sock.open(ep.protocol(), ec);
                if (ec) {
                    d->lastReason = reasonFor(ec);
                    tryNext(d);
                    return;
                }
            }
        }

        unsigned number = ++d->attempt;
        d->timedOut = false;
        d->timer.expires_after(kConnectTimeout);
        d->timer.async_wait([d, number](const asio::error_code& wec) {
            if (wec || !d->owner || d->attempt != number) return;
            d->timedOut = true;
            asio::error_code unused;
            d->sock.close(unused);  // the connect completes with operation_aborted
        });

        d->sock.async_connect(ep, [d, number, ep](asio::error_code cec) {
            TcpSocket* s = d->owner;
            if (!s || d->attempt != number) return;
            d->timer.cancel();
            if (!cec) {
                tcp::socket sock = std::move(d->sock);
                d->owner = nullptr;
                s->impl_->dialer.reset();
                adopt(*s, std::move(sock));
                return;
            }
            if (cec == asio::error::operation_aborted) {
                if (!d->timedOut) return;
                cec = asio::error::timed_out;
            }
            // Our own port may still be tied to an earlier connection to the same peer.
            if (d->boundLocal && (cec == asio::error::address_in_use || cec == std::errc::address_not_available)) {
                attempt(d, ep, false);
                return;
            }
            d->lastReason = reasonFor(cec);
            tryNext(d);
        });
    }
};

TcpSocket::TcpSocket(EventLoop& loop) : loop_(loop), impl_(std::make_unique<Impl>()) {}

TcpSocket::~TcpSocket() {
    // asio's timers report a failed cancel by throwing (cancelling ours never fails); a destructor must not.
    try {
        impl_->dropAll();
    } catch (const std::system_error&) {}
    impl_->keepAwake.reset();
    loop_.setSocketActive(this, false);
}

void TcpSocket::setState(State s) {
    state_ = s;
    loop_.setSocketActive(this, s != Closed);
    if (s == Closed)
        impl_->keepAwake.reset();
    else if (!impl_->keepAwake)
        impl_->keepAwake.emplace(loop_.io().get_executor());
}

void TcpSocket::close() {
    if (impl_->sending()) {
        // The write under way completes and what queued behind it follows. Only the sockets' own work runs
        // here: their events wait in the loop's queue, so nothing of the program runs inside close().
        asio::io_context& io = loop_.io();
        if (io.stopped()) io.restart();
        io.poll();
    }
    early_.clear();
    if (state_ == Closed && impl_->idle()) return;
    impl_->dropAll();
    inbox_.clear();
    setState(Closed);
}

bool TcpSocket::listen() {
    close();
    inbox_.clear();
    if (localPort_ < 0 || localPort_ > 65535) {
        setState(Error);
        return false;
    }
    auto l = std::make_shared<Impl::Listener>(loop_.io());
    if (!openAcceptor(l->acceptor, tcp::v6(), localPort_) && !openAcceptor(l->acceptor, tcp::v4(), localPort_)) {
        setState(Error);
        return false;
    }
    l->owner = this;
    impl_->listener = l;
    setState(Listening);
    Impl::acceptNext(l);
    return true;
}

bool TcpSocket::connect() {
    if (remoteHost_.empty() || remotePort_ <= 0 || remotePort_ > 65535) return false;
    close();
    inbox_.clear();
    auto d = std::make_shared<Impl::Dialer>(loop_.io());
    d->owner = this;
    impl_->dialer = d;
    setState(ResolvingHost);
    d->resolver.async_resolve(remoteHost_, std::to_string(remotePort_), tcp::resolver::numeric_service,
                              [d](const asio::error_code& ec, tcp::resolver::results_type results) {
                                  TcpSocket* s = d->owner;
                                  if (!s) return;
                                  if (ec) {
                                      Impl::dialFailed(d, ec == asio::error::operation_aborted ? "cancelled" : "host not found");
                                      return;
                                  }
                                  for (const auto& entry : results) d->endpoints.push_back(entry.endpoint());
                                  if (d->endpoints.empty()) {
                                      Impl::dialFailed(d, "host not found");
                                      return;
                                  }
                                  s->setState(Connecting);
                                  Impl::tryNext(d);
                              });
    return true;
}

bool TcpSocket::accept(int requestId, bool keepListening) {
    auto& l = impl_->listener;
    if (!l || impl_->conn) return false;
    auto it = l->requests.find(requestId);
    if (it == l->requests.end()) return false;
    tcp::socket sock = std::move(it->second);
    l->requests.erase(it);
    if (!keepListening) impl_->dropListener();
    inbox_.clear();
    Impl::adopt(*this, std::move(sock));
    return true;
}

bool TcpSocket::handOff(int requestId, TcpSocket& into) {
    auto& l = impl_->listener;
    if (!l || &into == this) return false;
    auto it = l->requests.find(requestId);
    if (it == l->requests.end()) return false;
    tcp::socket sock = std::move(it->second);
    l->requests.erase(it);
    into.close();
    Impl::adopt(into, std::move(sock));
    return true;
}

void TcpSocket::takeOver(TcpSocket& from) {
    if (&from == this || !from.impl_->conn) return;
    impl_->dropConn();
    auto c = std::move(from.impl_->conn);
    from.impl_->dropAll();
    c->owner = this;
    impl_->conn = c;
    inbox_ = std::move(from.inbox_);
    from.inbox_.clear();
    from.early_.clear();
    from.setState(Closed);
    setState(Connected);
}

void TcpSocket::dropConnection() {
    auto l = impl_->listener;
    if (!l) {
        close();
        return;
    }
    impl_->dropConn();
    inbox_.clear();
    early_.clear();
    setState(Listening);
    // The requests that waited meanwhile are offered again, oldest first.
    for (auto& [id, sock] : l->requests)
        loop_.post([l, id = id] {
            TcpSocket* s = l->owner;
            if (!s || !l->requests.count(id)) return;
            auto handler = s->onConnectionRequest;
            if (handler) handler(id);
        });
}

void TcpSocket::breakConnection() {
    if (!impl_->conn) return;
    asio::error_code ignored;
    impl_->conn->sock.shutdown(tcp::socket::shutdown_both, ignored);
}

void TcpSocket::stopListening() {
    impl_->dropListener();
    if (!impl_->conn && state_ == Listening) setState(Closed);
}

bool TcpSocket::send(std::string_view data) {
    if (state_ == ResolvingHost || state_ == Connecting) {
        early_.append(data);
        return true;
    }
    if (state_ != Connected || !impl_->conn) return false;
    if (data.empty()) return true;
    impl_->conn->outgoing.append(data);
    Impl::startWrite(impl_->conn);
    return true;
}

std::string TcpSocket::receive() {
    std::string out;
    out.swap(inbox_);
    auto& c = impl_->conn;
    if (c && c->readPaused) {
        c->readPaused = false;
        Impl::startRead(c);
    }
    return out;
}

std::string TcpSocket::localHostName() {
    asio::error_code ec;
    std::string name = asio::ip::host_name(ec);
    return ec ? std::string() : name;
}

}  // namespace gv
