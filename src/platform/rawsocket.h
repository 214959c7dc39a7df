#pragma once
// The few plain socket calls the router's helpers make (a search sent to a multicast group, a short HTTP
// exchange), the same on Linux and Windows. The game's own link goes through Asio instead.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace gv::rawsocket {

#if defined(_WIN32)
using Fd = SOCKET;
inline const Fd kNone = INVALID_SOCKET;
#else
using Fd = int;
inline const Fd kNone = -1;
#endif

// Sockets work in this process (Windows wants that asked for once; the count is the system's).
inline void ready() {
#if defined(_WIN32)
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
#endif
}

// A TCP socket that does not block, or a UDP socket; kNone when none can be had.
inline Fd open(bool stream) {
    ready();
#if defined(_WIN32)
    Fd fd = ::socket(AF_INET, stream ? SOCK_STREAM : SOCK_DGRAM, 0);
    u_long on = 1;
    if (fd != kNone && stream) ::ioctlsocket(fd, FIONBIO, &on);
    return fd;
#else
    return ::socket(AF_INET, (stream ? SOCK_STREAM | SOCK_NONBLOCK : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
#endif
}

inline void close(Fd fd) {
#if defined(_WIN32)
    ::closesocket(fd);
#else
    ::close(fd);
#endif
}

// Waits up to `ms` for the socket to be writable (`out`) or readable; true when it is.
inline bool await(Fd fd, bool out, int ms) {
#if defined(_WIN32)
    WSAPOLLFD p{fd, static_cast<short>(out ? POLLOUT : POLLIN), 0};
    return ::WSAPoll(&p, 1, ms) > 0;
#else
    pollfd p{fd, static_cast<short>(out ? POLLOUT : POLLIN), 0};
    return ::poll(&p, 1, ms) > 0;
#endif
}

// The last call failed only for now: it would block, was interrupted, or a connection is on its way.
inline bool onlyForNow() {
#if defined(_WIN32)
    const int e = WSAGetLastError();
    return e == WSAEWOULDBLOCK || e == WSAEINTR || e == WSAEINPROGRESS;
#else
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == EINPROGRESS;
#endif
}

// Bytes sent or received, or -1; never a signal for a peer that left.
inline long send(Fd fd, const char* data, std::size_t n) {
#if defined(_WIN32)
    return ::send(fd, data, int(n), 0);
#else
    return long(::send(fd, data, n, MSG_NOSIGNAL));
#endif
}
inline long receive(Fd fd, char* data, std::size_t n) {
#if defined(_WIN32)
    return ::recv(fd, data, int(n), 0);
#else
    return long(::recv(fd, data, n, 0));
#endif
}
inline long sendTo(Fd fd, const char* data, std::size_t n, const sockaddr_in& to) {
#if defined(_WIN32)
    return ::sendto(fd, data, int(n), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
#else
    return long(::sendto(fd, data, n, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to));
#endif
}
inline long receiveFrom(Fd fd, char* data, std::size_t n, sockaddr_in& from) {
    socklen_t size = sizeof from;
#if defined(_WIN32)
    return ::recvfrom(fd, data, int(n), 0, reinterpret_cast<sockaddr*>(&from), &size);
#else
    return long(::recvfrom(fd, data, n, 0, reinterpret_cast<sockaddr*>(&from), &size));
#endif
}

// A socket closed when it goes out of scope.
struct Owned {
    Fd fd;
    explicit Owned(Fd f) : fd(f) {}
    ~Owned() {
        if (fd != kNone) close(fd);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
};

}  // namespace gv::rawsocket
