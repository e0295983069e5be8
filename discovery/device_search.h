#pragma once

#include "base/deadline.h"
#include "discovery/ssdp.h"

#include <QString>

#include <functional>

struct SearchLimits
{
    // The search ends at the first wait this long without a reply ...
    milliseconds silence { 1000 };
    // ... and at the latest this long after the send, description reads
    // included, or at the action's deadline if that comes first.
    milliseconds duration { 10000 };
    // One description read: real ones arrive within milliseconds, so a device
    // that drips its description costs this much and no more.
    milliseconds descriptionRead { 3000 };
    // Replies read from one source address in one search; the rest of its
    // datagrams are taken off the socket unread. A box that answers twice is
    // still listed twice.
    int repliesPerSource = 4;
};

struct SearchReport
{
    int discarded = 0; // datagrams dropped unread
    int skipped = 0; // replies that failed
    QString firstSkipMessage; // names the responder
};

// Waits for one datagram until the given time; port 0 when none came.
using ReceiveStep = std::function<Datagram(Deadline until)>;
// Processes one non-empty reply (reply text, source address); its reads end
// at the given deadline at the latest.
using AddDevice = std::function<void(const QString &reply, const QString &address, Deadline readDeadline)>;

// Reads the replies to a search that has just been sent, until the network
// has been silent for `silence`, `duration` has passed or the action's
// deadline has come. Each reply is handed to `addDevice` before the next one
// is read. A reply that `addDevice` fails on, whatever the failure, is left
// out and counted, and its source is not read again in this search, so one
// broken responder does not hide the others; failures of the receive step
// itself end the search.
SearchReport runSearch(
    const ReceiveStep &receive, const AddDevice &addDevice, Deadline action, const SearchLimits &limits = {});

// The program's search on its endpoint: the search datagram from each adapter
// the boxes may be behind (platform::searchAddresses), then runSearch over
// what the endpoint receives on all of them; a LOCATION read on one adapter
// is not read again from another.
SearchReport searchDevicesOn(
    SsdpEndpoint &endpoint, const AddDevice &addDevice, Deadline action, const SearchLimits &limits = {});
