#pragma once

#include <boost/asio/error.hpp>
#include <boost/asio/io_context.hpp>

#include <cstddef>

// How an asynchronous operation that a blocking call ran ended; `error` stays
// would_block when it never completed (its context was stopped).
struct OperationResult
{
    boost::system::error_code error = boost::asio::error::would_block;
    std::size_t bytes = 0;
};

// The blocking call of a client whose waits are asynchronous operations with
// deadlines: `start` begins them on `io`, handing the main operation the
// handler given to it, and they run here to their end.
template <typename Start> OperationResult runOperation(boost::asio::io_context &io, Start &&start)
{
    OperationResult result;
    start([&result](boost::system::error_code ec, auto... bytes) {
        result.error = ec;
        ((result.bytes = bytes), ...);
    });
    io.restart();
    io.run();
    return result;
}
