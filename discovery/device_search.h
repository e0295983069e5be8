#pragma once

#include "discovery/ssdp.h"

#include <QString>

#include <functional>
#include <string>

// One complete row of the device table.
struct FoundDevice
{
    QString name;
    QString address;
    QString port;
};

struct SearchLimits
{
    int silenceMs = 1000; // the search ends at the first wait this long without a reply
    int maxDurationMs = 10000; // ... and at the latest this long after the send
    int maxReplies = 64; // ... or after this many datagrams
};

struct SearchReport
{
    int replies = 0;
    int skipped = 0;
    QString firstSkipMessage;
};

// Sends the search request and reads replies until the network has been silent
// for `silenceMs`. Each non-empty reply is handed to `addDevice` (reply text,
// source address) before the next one is read. A reply that `addDevice` fails
// on is left out and counted, so one broken responder does not hide the others;
// failures of the endpoint itself end the search.
SearchReport runSearch(SsdpEndpoint &endpoint, const std::string &localAddress,
    const std::function<void(const QString &, const QString &)> &addDevice, const SearchLimits &limits = {});
