#pragma once

#include <QString>

#include <memory>

class AllowedHost;

// Every connection of the browser engine goes through this gate, a SOCKS 5
// proxy of the program's own on loopback: it connects only to the host that
// the box's page may reach (any port), and refuses every other host, this
// computer's loopback included. The engine's own ways out that no request
// filter sees (WebRTC's TCP to a STUN or TURN server) end here; its UDP is
// off (see engineGateFlags). One gate serves the engine for the whole run.
class EngineGate
{
public:
    // Connections at once; more are closed at once.
    static constexpr int MaxTunnels = 64;

    explicit EngineGate(std::shared_ptr<const AllowedHost> allowed);
    // Stops listening, closes every tunnel and joins its thread.
    ~EngineGate();
    EngineGate(const EngineGate &) = delete;
    EngineGate &operator=(const EngineGate &) = delete;

    // Listens on 127.0.0.1 at a port of the system's choice; false, with
    // the reason, when it cannot.
    bool start(QString *error);
    quint16 port() const;
    // The host the engine may reach from now on, for a view made later.
    void follow(std::shared_ptr<const AllowedHost> allowed);

private:
    struct State;
    std::shared_ptr<State> d;
};

// The engine's flags for a gate on `port`: every connection through it,
// loopback too, and no UDP that does not go through a proxy (so none).
QByteArray engineGateFlags(quint16 port);
