#pragma once
// asio's event loop: every file includes it through here, before any other asio header. GCC 12 at -O2
// finds a "potential null pointer dereference" in asio's scheduler (compensating_work_started, only ever
// called on a thread inside the scheduler) once it is inlined into our files, where the warning no longer
// counts as a system header's. It is silenced for asio's code only; our own code keeps it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnull-dereference"
#include <asio/io_context.hpp>
#pragma GCC diagnostic pop
