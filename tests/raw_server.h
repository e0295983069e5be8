#pragma once

// A raw TCP listener on loopback for the client tests: records every request
// byte for byte and answers with whatever bytes the test scripts.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class RawServer
{
public:
    struct Request
    {
        int connection;
        std::string bytes;
    };
    struct Response
    {
        std::string bytes;
        bool close = false; // close after the bytes
        bool silent = false; // send nothing, keep the connection
        int dripMs = 0; // one byte every so many ms (the server waits meanwhile)
        bool reset = false; // reset the connection after the bytes
    };
    using Responder = std::function<Response(const Request &)>;

    explicit RawServer(Responder responder, unsigned short port = 0)
        : m_responder(std::move(responder))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_ok = ::bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && ::listen(m_listen, 16) == 0;
        socklen_t length = sizeof address;
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }

    ~RawServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }

    bool ok() const { return m_ok; }
    unsigned short port() const { return m_port; }
    std::vector<Request> requests()
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    int connections() const { return m_connections; }
    // Closes every open connection from the server side, as an idle device does.
    void closeIdle() { m_closeIdle = true; }

private:
    void run()
    {
        std::vector<std::pair<int, std::string>> open; // fd, pending bytes
        std::vector<int> ids;
        while (!m_stop) {
            if (m_closeIdle.exchange(false)) {
                for (auto &c : open)
                    ::close(c.first);
                open.clear();
                ids.clear();
            }
            std::vector<pollfd> fds { { m_listen, POLLIN, 0 } };
            for (auto &c : open)
                fds.push_back({ c.first, POLLIN, 0 });
            if (::poll(fds.data(), fds.size(), 20) <= 0)
                continue;
            if (fds[0].revents & POLLIN) {
                open.push_back({ ::accept(m_listen, nullptr, nullptr), {} });
                ids.push_back(m_connections++);
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP)))
                    continue;
                auto &[fd, pending] = open[i - 1];
                char buffer[4096];
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    ::close(fd);
                    fd = -1;
                    continue;
                }
                pending.append(buffer, size_t(n));
                size_t end;
                while (fd >= 0 && (end = pending.find("\r\n\r\n")) != std::string::npos) {
                    Request request { ids[i - 1], pending.substr(0, end + 4) };
                    pending.erase(0, end + 4);
                    {
                        std::lock_guard lock(m_mutex);
                        m_requests.push_back(request);
                    }
                    const Response response = m_responder(request);
                    if (response.silent)
                        continue;
                    if (response.dripMs > 0) {
                        for (const char byte : response.bytes) {
                            if (m_stop || ::send(fd, &byte, 1, MSG_NOSIGNAL) < 0)
                                break;
                            std::this_thread::sleep_for(std::chrono::milliseconds(response.dripMs));
                        }
                    } else {
                        ::send(fd, response.bytes.data(), response.bytes.size(), MSG_NOSIGNAL);
                    }
                    if (response.reset) {
                        const linger abort { 1, 0 };
                        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
                    }
                    if (response.close || response.reset) {
                        ::close(fd);
                        fd = -1;
                    }
                }
            }
            for (size_t i = open.size(); i-- > 0;) {
                if (open[i].first < 0) {
                    open.erase(open.begin() + long(i));
                    ids.erase(ids.begin() + long(i));
                }
            }
        }
        for (auto &c : open)
            ::close(c.first);
    }

    Responder m_responder;
    int m_listen = -1;
    bool m_ok = false;
    unsigned short m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_closeIdle { false };
    std::atomic<int> m_connections { 0 };
    std::mutex m_mutex;
    std::vector<Request> m_requests;
};

inline std::string okReply(const std::string &body, const std::string &extra = {})
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}
