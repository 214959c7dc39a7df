#pragma once
// A small HTTP/1.1 client for the few requests the port mapper sends to a router on the home network: one
// request a connection, to a host given as an IPv4 literal. Whatever the other side sends is bounded: the
// headers' size, the body's size and a deadline, so a router that answers without end costs little memory
// and little time; an answer past a bound is no answer.
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace gv::http {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxHead = 8 * 1024;   // the status line and the headers
constexpr std::size_t kMaxBody = 64 * 1024;  // the body, after any chunks are taken apart

struct Url {
    std::string host;  // "a.b.c.d"
    int port = 80;
    std::string path = "/";
};
// "http://a.b.c.d[:port][/path]" into its parts; false for anything else (a name, IPv6, another scheme).
bool ParseUrl(const std::string& text, Url& url);

struct Reply {
    int status = 0;  // the answer's status code; 0 when no whole answer came within the bounds
    std::string body;
    std::string localAddress;  // this machine's address on the connection ("a.b.c.d")
};

// Sends `request` (head and body, as it goes on the wire) to `url`'s host and reads the answer, giving up at
// `until` or as soon as `cancelled` says so.
Reply Exchange(const Url& url, const std::string& request, Clock::time_point until, const std::function<bool()>& cancelled);

// A GET of `url`, or a POST of `body` with the extra header lines `headers` (each ending in "\r\n").
Reply Get(const Url& url, Clock::time_point until, const std::function<bool()>& cancelled);
Reply Post(const Url& url, const std::string& headers, const std::string& body, Clock::time_point until,
           const std::function<bool()>& cancelled);

}  // namespace gv::http
