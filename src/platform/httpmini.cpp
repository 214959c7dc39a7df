#include "platform/httpmini.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/rawsocket.h"

namespace gv::http {

namespace {

using std::chrono::milliseconds;
constexpr auto kSlice = milliseconds(50);  // how often a wait looks whether it was abandoned
constexpr std::size_t kMaxChunkLine = 64;  // a chunk's size in hex, and whatever follows it on its line

int msUntil(Clock::time_point t) {
    auto left = std::chrono::ceil<milliseconds>(t - Clock::now()).count();
    return int(std::clamp<long long>(left, 0, kSlice.count()));
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && strncasecmp(s.data(), prefix.data(), prefix.size()) == 0;
}

enum class Step { More, Done, Bad };

// The answer as it arrives: the head up to its blank line, then the body by its Content-Length, in chunks,
// or up to the end of the connection.
class Answer {
public:
    int status = 0;
    std::string body;

    Step take(const char* data, std::size_t n) {
        if (mode_ == Head) {
            const std::size_t from = head_.size() < 3 ? 0 : head_.size() - 3;
            head_.append(data, n);
            const auto end = head_.find("\r\n\r\n", from);
            if (end == std::string::npos) return head_.size() > kMaxHead ? Step::Bad : Step::More;
            if (end + 4 > kMaxHead) return Step::Bad;
            const std::string rest = head_.substr(end + 4);
            head_.resize(end + 2);
            if (!readHead()) return Step::Bad;
            if (mode_ == Length && left_ == 0) return Step::Done;
            return rest.empty() ? Step::More : take(rest.data(), rest.size());
        }
        if (mode_ == Chunks) {
            pending_.append(data, n);
            return chunks();
        }
        if (mode_ == ToClose) {
            body.append(data, n);
            return body.size() > kMaxBody ? Step::Bad : Step::More;
        }
        const std::size_t used = std::min(n, left_);
        body.append(data, used);
        left_ -= used;
        return left_ == 0 ? Step::Done : Step::More;
    }
    // The other side closed the connection: the end of a body that runs to it, too early for any other.
    Step closed() const { return mode_ == ToClose ? Step::Done : Step::Bad; }

private:
    enum { Head, Length, Chunks, ToClose } mode_ = Head;
    std::string head_, pending_;
    std::size_t left_ = 0;   // of the body (by its length) or of the chunk being read
    bool chunkEnd_ = false;  // a chunk's data was read; its line end comes next

    bool readHead() {
        std::string_view rest(head_);
        auto line = [&rest] {
            const auto end = rest.find("\r\n");
            std::string_view l = rest.substr(0, end);
            rest.remove_prefix(std::min(rest.size(), end + 2));
            return l;
        };
        const std::string_view first = line();
        if (!startsWithNoCase(first, "HTTP/1.") || first.size() < 12 || first[8] != ' ') return false;
        status = std::atoi(std::string(first.substr(9, 3)).c_str());
        mode_ = ToClose;
        for (std::string_view l = line(); !l.empty(); l = line()) {
            auto value = l.substr(std::min(l.size(), l.find(':') + 1));
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
            if (startsWithNoCase(l, "transfer-encoding:") && startsWithNoCase(value, "chunked")) mode_ = Chunks, left_ = 0;
            if (startsWithNoCase(l, "content-length:") && mode_ != Chunks) {
                char* end = nullptr;
                const std::string digits(value);
                const unsigned long long length = std::strtoull(digits.c_str(), &end, 10);
                if (end == digits.c_str() || length > kMaxBody) return false;
                mode_ = Length;
                left_ = std::size_t(length);
            }
        }
        return status >= 100 && status <= 599;
    }

    Step chunks() {
        for (;;) {
            if (left_ > 0) {
                const std::size_t n = std::min(left_, pending_.size());
                body.append(pending_, 0, n);
                pending_.erase(0, n);
                left_ -= n;
                if (left_ > 0) return Step::More;
                chunkEnd_ = true;
            }
            if (chunkEnd_) {
                if (pending_.size() < 2) return Step::More;
                pending_.erase(0, 2);
                chunkEnd_ = false;
            }
            const auto eol = pending_.find("\r\n");
            if (eol == std::string::npos) return pending_.size() > kMaxChunkLine ? Step::Bad : Step::More;
            char* end = nullptr;
            const unsigned long long size = std::strtoull(pending_.c_str(), &end, 16);
            if (end == pending_.c_str() || eol > kMaxChunkLine) return Step::Bad;
            pending_.erase(0, eol + 2);
            if (size == 0) return Step::Done;  // what trailers follow are not needed
            if (size > kMaxBody - body.size()) return Step::Bad;
            left_ = std::size_t(size);
        }
    }
};

}  // namespace

bool ParseUrl(const std::string& text, Url& url) {
    if (!startsWithNoCase(text, "http://")) return false;
    const std::string rest = text.substr(7);
    const auto slash = rest.find('/');
    std::string hostPort = rest.substr(0, slash);
    url.path = slash == std::string::npos ? "/" : rest.substr(slash);
    url.port = 80;
    if (const auto colon = hostPort.find(':'); colon != std::string::npos) {
        const std::string port = hostPort.substr(colon + 1);
        char* end = nullptr;
        const long p = std::strtol(port.c_str(), &end, 10);
        if (port.empty() || *end != '\0' || p <= 0 || p > 65535) return false;
        url.port = int(p);
        hostPort.resize(colon);
    }
    in_addr a{};
    if (inet_pton(AF_INET, hostPort.c_str(), &a) != 1) return false;
    url.host = hostPort;
    return url.path.find_first_of(" \r\n") == std::string::npos;
}

Reply Exchange(const Url& url, const std::string& request, Clock::time_point until, const std::function<bool()>& cancelled) {
    Reply reply;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(url.port));
    if (inet_pton(AF_INET, url.host.c_str(), &to.sin_addr) != 1) return reply;
    rawsocket::Owned s(rawsocket::open(true));
    if (s.fd == rawsocket::kNone) return reply;
    if (::connect(s.fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 && !rawsocket::onlyForNow()) return reply;
    std::size_t sent = 0;
    Answer answer;
    Step step = Step::More;
    while (step == Step::More) {
        if (Clock::now() >= until || cancelled()) return reply;
        const bool sending = sent < request.size();
        if (!rawsocket::await(s.fd, sending, msUntil(until))) continue;
        if (sending) {
            // A refused connection shows here, as the first send fails.
            const long n = rawsocket::send(s.fd, request.data() + sent, request.size() - sent);
            if (n < 0 && !rawsocket::onlyForNow()) return reply;
            sent += std::size_t(std::max<long>(n, 0));
            continue;
        }
        char buf[4096];
        const long n = rawsocket::receive(s.fd, buf, sizeof buf);
        if (n < 0 && rawsocket::onlyForNow()) continue;
        step = n > 0 ? answer.take(buf, std::size_t(n)) : n == 0 ? answer.closed() : Step::Bad;
    }
    if (step == Step::Bad) return reply;
    sockaddr_in local{};
    socklen_t size = sizeof local;
    char address[INET_ADDRSTRLEN] = "";
    if (::getsockname(s.fd, reinterpret_cast<sockaddr*>(&local), &size) == 0)
        inet_ntop(AF_INET, &local.sin_addr, address, sizeof address);
    reply.status = answer.status;
    reply.body = std::move(answer.body);
    reply.localAddress = address;
    return reply;
}

namespace {
std::string requestHead(const char* method, const Url& url) {
    return std::string(method) + " " + url.path + " HTTP/1.1\r\nHost: " + url.host + ":" + std::to_string(url.port) +
           "\r\nConnection: close\r\n";
}
}  // namespace

Reply Get(const Url& url, Clock::time_point until, const std::function<bool()>& cancelled) {
    return Exchange(url, requestHead("GET", url) + "\r\n", until, cancelled);
}

Reply Post(const Url& url, const std::string& headers, const std::string& body, Clock::time_point until,
           const std::function<bool()>& cancelled) {
    const std::string head = requestHead("POST", url) + headers + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    return Exchange(url, head + body, until, cancelled);
}

}  // namespace gv::http
