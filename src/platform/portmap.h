#pragma once
// Asks the home router to forward a TCP port to this machine, so that a program listening behind it can
// be reached from outside: UPnP (an Internet Gateway Device found by SSDP) first, NAT-PMP when no UPnP
// router helps. The asking happens on a thread of its own, so the loop's thread never waits for a
// router; the answer comes back as an event on the loop's thread. A mapping that was made is renewed
// while it is held and removed again by stop(), by the next start() and by the destructor.
#include "platform/asio.h"
#include <asio/executor_work_guard.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace gv {

class EventLoop;

struct PortMapResult {
    bool mapped = false;
    std::string externalAddress;  // the router's public address, when it told one that reads as an address
    int externalPort = 0;         // the port on the router's public side, when mapped
    std::string how;              // "UPnP" or "NAT-PMP" when mapped, "" otherwise
    std::string why;              // short human words on what failed, when not mapped
};

class PortMapper {
public:
    explicit PortMapper(EventLoop& loop);
    // Removes the mapping it made (waiting a few seconds at most for the router) and ends its thread.
    ~PortMapper();
    PortMapper(const PortMapper&) = delete;
    PortMapper& operator=(const PortMapper&) = delete;

    // Starts asking the router to forward TCP `port` to this machine, the same port outside; returns at
    // once. An earlier mapping is removed first and an earlier attempt is abandoned (its answer never
    // comes). The whole attempt costs about three seconds at most, whatever the routers answer (or do not),
    // and little memory: what a router sends is read only up to small bounds. onResult gets the outcome
    // from the loop, never from inside this call.
    void start(int port);
    // Abandons an attempt and removes the mapping, off the loop's thread; does nothing without either.
    void stop();

    std::function<void(const PortMapResult&)> onResult;

    // Where the requests go; read by start(). Empty means the real network: the SSDP multicast group and
    // the default gateway. Tests point them at scripted routers on loopback: with GORVATH_TEST_NETWORK_GUARD
    // set (as every test is), start() with either of them empty ends the program instead.
    std::string searchAddress;  // "a.b.c.d:port" that receives the SSDP search instead of the group
    std::string natPmpGateway;  // "a.b.c.d", the NAT-PMP gateway instead of the default one

private:
    struct Shared;
    void deliver(unsigned generation, const PortMapResult& result);
    void settle();  // nothing awaited any more

    EventLoop& loop_;
    std::shared_ptr<Shared> shared_;
    std::thread worker_;
    // While an answer is awaited the loop's io_context has work, so a waiting loop sleeps in it and
    // wakes the moment the answer is posted.
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> waiting_;
};

}  // namespace gv
