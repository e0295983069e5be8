#pragma once

#include <boost/asio/error.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include <QtGlobal>

#include <cstddef>
#include <exception>
#include <stop_token>

// How an asynchronous operation that a blocking call ran ended; `error` stays
// would_block when it never completed (its context was stopped). `cancelled`
// when its action was stopped meanwhile.
struct OperationResult
{
    boost::system::error_code error = boost::asio::error::would_block;
    std::size_t bytes = 0;
    bool cancelled = false;
};

// The blocking call of a client whose waits are asynchronous operations with
// deadlines: `start` begins them on `io`, handing the main operation the
// handler given to it, and they run here to their end. A stop of the action
// posts `cancel` onto the context (the thread that asks for the stop never
// touches a socket), which ends every wait at once; a cancel posted just as
// the operation ended runs here too, so it can never reach the next one.
template <typename Cancel, typename Start>
OperationResult runOperation(boost::asio::io_context &io, std::stop_token stop, Cancel cancel, Start &&start)
{
    OperationResult result;
    if (stop.stop_requested()) {
        result.cancelled = true;
        return result;
    }
    {
        std::stop_callback onStop(stop, [&io, &cancel] { boost::asio::post(io, [&cancel] { cancel(); }); });
        start([&result](boost::system::error_code ec, auto... bytes) {
            result.error = ec;
            ((result.bytes = bytes), ...);
        });
        io.restart();
        io.run();
    }
    io.restart();
    io.poll();
    result.cancelled = stop.stop_requested();
    return result;
}

// The loop of a thread that serves the network for the whole run (the
// listener for announcements, the browser's gate): a failure in one of its
// handlers is logged with `what` and the loop goes on, after `recover` has
// re-armed what the failure may have left unarmed. Returns once the context
// is stopped.
template <typename Recover> void runServing(boost::asio::io_context &io, const char *what, Recover recover)
{
    for (;;) {
        try {
            io.run();
            return;
        } catch (const std::exception &e) {
            qWarning("%s: %s", what, e.what());
            recover();
        }
    }
}
