// orvexctl: drives the Orvex boxes from a terminal, scripts, cron and home
// automation. It uses the window's search, command channel, deadlines and
// limits, and sends exactly the requests the window sends for each action.
// Exit status: 0 done, 1 the box failed or answered with an error, 2 a usage
// error, 3 no box matches.

#include "base/deadline.h"
#include "base/failure.h"
#include "base/text_rules.h"
#include "base/translations.h"
#include "control/device_commands.h"
#include "control/endpoints.h"
#include "control/http_client.h"
#include "ctl/box_choice.h"
#include "discovery/device_row.h"
#include "discovery/device_search.h"
#include "platform/terminal_text.h"
#include "session/selected_box.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>

namespace {

enum Exit { Done = 0, BoxFailed = 1, UsageError = 2, NoBoxMatches = 3 };

// Ends the run with a one-line message on standard error.
struct Stop
{
    Exit status;
    QString message;
};

[[noreturn]] void usage(const QString &message)
{
    throw Stop { UsageError, message };
}

// Text from a box as the terminal shows it: control characters (escape
// sequences among them) and invisible format characters (bidirectional
// overrides, zero-width characters, line and paragraph separators) become
// U+FFFD, so a box can neither steer the terminal, nor break a line into
// more lines or fields, nor make text read other than it is.
QString field(QString text)
{
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (isAsciiControl(u) || (u >= 0x80 && u < 0xA0) || c.category() == QChar::Other_Format || u == 0x2028
            || u == 0x2029)
            c = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

// JSON for scripts: every character beyond ASCII as \uXXXX, so the output is
// plain ASCII whatever a box sent.
QString asciiJson(const QJsonDocument &document)
{
    const QString text = QString::fromUtf8(document.toJson(QJsonDocument::Compact));
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x7F)
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out;
}

// One line in the terminal's character set: a box's text reaches an 8-bit
// terminal as characters it can show, never as its control bytes.
void writeLine(std::FILE *stream, const QString &text)
{
    const std::string bytes = platform::terminalText(text.toStdU16String());
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fputc('\n', stream);
}

void print(const QString &text)
{
    writeLine(stdout, text);
}

// A message on standard error, on one line.
void complain(const QString &message)
{
    writeLine(stderr, QStringLiteral("orvexctl: ") + message);
}

class OrvexCtl
{
    Q_DECLARE_TR_FUNCTIONS(OrvexCtl)

public:
    OrvexCtl(const QStringList &arguments, bool json, bool yes, bool dlna, milliseconds budget)
        : m_arguments(arguments)
        , m_json(json)
        , m_yes(yes)
        , m_dlna(dlna)
        , m_deadline(deadlineIn(budget))
    {
    }

    void run()
    {
        static const std::map<QString, void (OrvexCtl::*)()> commands {
            { QStringLiteral("list"), &OrvexCtl::list },
            { QStringLiteral("status"), &OrvexCtl::status },
            { QStringLiteral("volume"), &OrvexCtl::volume },
            { QStringLiteral("dlna-volume"), &OrvexCtl::dlnaVolume },
            { QStringLiteral("start"), &OrvexCtl::start },
            { QStringLiteral("stop"), &OrvexCtl::stop },
            { QStringLiteral("station"), &OrvexCtl::station },
            { QStringLiteral("stations"), &OrvexCtl::stations },
            { QStringLiteral("restart"), &OrvexCtl::restart },
            { QStringLiteral("shutdown"), &OrvexCtl::shutdown },
        };
        if (m_arguments.isEmpty())
            usage(tr("no command given (try --help)"));
        const auto command = commands.find(m_arguments.takeFirst());
        if (command == commands.end())
            usage(tr("unknown command (try --help)"));
        (this->*command->second)();
    }

private:
    // ------------------------------------------------------------ boxes

    // The window's search within the run's deadline. Without a window to list
    // late answers it reads all that come within the time the request gives
    // the boxes, unless the box it wants (by its whole name) answers first.
    QList<DeviceRow> search(const QString &wanted = QString())
    {
        std::mutex mutex;
        QList<DeviceRow> rows;
        {
            DeviceSearch *running = nullptr;
            DeviceSearch search(searchTransport(m_ud), [&](const DeviceRow &row, DeviceSearch::Phase) {
                const std::lock_guard lock(mutex);
                rows.append(row);
                if (!wanted.isEmpty() && row.name.compare(wanted, Qt::CaseInsensitive) == 0)
                    running->finish();
            });
            running = &search;
            search.run(m_deadline, {}, DeviceSearch::End::AfterLateWindow);
        }
        return rows;
    }

    // The box a BOX argument names; an address skips the search.
    DeviceRow box(const QString &argument, bool needsPort)
    {
        if (const auto byAddress = boxFromAddress(argument)) {
            if (needsPort && byAddress->port.isEmpty())
                usage(tr("this command needs the box's renderer port: give it as %1:PORT, or by name").arg(argument));
            return *byAddress;
        }
        const QList<DeviceRow> rows = search(argument);
        const BoxChoice choice = chooseBox(rows, argument);
        if (choice.box)
            return *choice.box;
        QStringList candidates;
        for (const DeviceRow &row : choice.candidates)
            candidates << QStringLiteral("%1 (%2)").arg(row.name, row.address);
        const QString list = candidates.join(QStringLiteral(", "));
        if (candidates.isEmpty())
            throw Stop { NoBoxMatches, tr("no box answered the search") };
        if (argument.isEmpty())
            throw Stop { NoBoxMatches, tr("several boxes answered; name one: %1").arg(list) };
        if (choice.several)
            throw Stop { NoBoxMatches, tr("'%1' matches several boxes: %2").arg(argument, list) };
        throw Stop { NoBoxMatches, tr("'%1' matches no box; boxes: %2").arg(argument, list) };
    }

    // The positional arguments of a command: BOX first when there is one more
    // than the command needs.
    QString takeBox(int needed)
    {
        if (m_arguments.size() > needed + 1)
            usage(tr("too many arguments"));
        if (m_arguments.size() < needed)
            usage(tr("missing argument"));
        return m_arguments.size() == needed + 1 ? m_arguments.takeFirst() : QString();
    }

    CommandChannel channel()
    {
        return CommandChannel(m_ht, m_hdown, m_deadline, {}, [](const QString &line, int) { print(field(line)); });
    }

    // The box's stations as the window lists them.
    static StationList stationsOf(const CommandChannel &c, const QString &address)
    {
        return commands::sortedStations(commands::readStationFiles(c, address));
    }

    // ------------------------------------------------------------ commands

    void list()
    {
        if (!m_arguments.isEmpty())
            usage(tr("list takes no box"));
        const QList<DeviceRow> rows = search();
        if (m_json) {
            QJsonArray boxes;
            for (const DeviceRow &row : rows)
                boxes.append(QJsonObject { { QStringLiteral("name"), row.name },
                    { QStringLiteral("address"), row.address }, { QStringLiteral("port"), row.port } });
            print(asciiJson(QJsonDocument(QJsonObject { { QStringLiteral("boxes"), boxes } })));
            return;
        }
        for (const DeviceRow &row : rows)
            print(field(row.name) + u'\t' + row.address + u'\t' + field(row.port));
    }

    // What the refresh reads, without sending anything back.
    void status()
    {
        const DeviceRow row = box(takeBox(0), false);
        const BoxState state = commands::readState(channel(), row.address);
        const StationList &stations = state.stations;
        const int dlnaVolume = state.dlnaVolume;
        const int volume = state.systemVolume;
        const int orvexRow = state.orvexRow;
        const int dlnaRow = state.dlnaRow;
        const auto name = [&stations](int row) {
            return row >= 1 && row <= stations.size() ? stations.at(row - 1).Description : QString();
        };
        if (m_json) {
            const auto station = [&](int row) {
                return QJsonObject { { QStringLiteral("index"), row },
                    { QStringLiteral("name"),
                        row >= 1 && row <= stations.size() ? QJsonValue(name(row)) : QJsonValue() } };
            };
            const QJsonObject status { { QStringLiteral("name"),
                                           row.name.isEmpty() ? QJsonValue() : QJsonValue(row.name) },
                { QStringLiteral("address"), row.address }, { QStringLiteral("port"), row.port },
                { QStringLiteral("volume"), volume }, { QStringLiteral("dlnaVolume"), dlnaVolume },
                { QStringLiteral("orvexStation"), station(orvexRow) },
                { QStringLiteral("dlnaStation"), station(dlnaRow) }, { QStringLiteral("stations"), stations.size() } };
            print(asciiJson(QJsonDocument(status)));
            return;
        }
        print((row.name.isEmpty() ? QString() : field(row.name) + u' ') + row.address);
        print(tr("system volume: %1").arg(volume));
        print(tr("DLNA volume: %1").arg(dlnaVolume));
        print(tr("Orvex station: %1 %2").arg(orvexRow).arg(field(name(orvexRow))).trimmed());
        print(tr("DLNA station: %1 %2").arg(dlnaRow).arg(field(name(dlnaRow))).trimmed());
        print(tr("stations: %1").arg(stations.size()));
    }

    static QString volumeArgument(const QString &text)
    {
        bool number = false;
        const int value = text.toInt(&number);
        if (!number || value < 0 || value > 100)
            usage(tr("the volume is a whole number from 0 to 100, not '%1'").arg(text));
        return QString::number(value);
    }

    void volume()
    {
        const QString name = takeBox(1);
        const QString value = volumeArgument(m_arguments.takeFirst());
        commands::setSystemVolume(channel(), boxOf(box(name, false)), value);
    }

    void dlnaVolume()
    {
        const QString name = takeBox(1);
        const QString value = volumeArgument(m_arguments.takeFirst());
        commands::setDlnaVolume(channel(), boxOf(box(name, true)), value);
    }

    QString player()
    {
        if (m_arguments.isEmpty())
            usage(tr("say which player: orvex or dlna"));
        const QString which = m_arguments.takeFirst();
        if (which != QLatin1String("orvex") && which != QLatin1String("dlna"))
            usage(tr("the player is orvex or dlna, not '%1'").arg(which));
        return which;
    }

    // "Start Orvex" stops the DLNA renderer first; "Start DLNA" stops the Orvex
    // service, sends the stream of the row the box has chosen, then plays: the
    // window's requests, after the reads that its refresh made before.
    void start()
    {
        const QString which = player();
        const DeviceRow row = box(takeBox(0), true);
        const CommandChannel c = channel();
        if (which == QLatin1String("orvex")) {
            commands::startOrvex(c, boxOf(row));
            return;
        }
        const StationList stations = stationsOf(c, row.address);
        const int dlnaRow = commands::readInteger(c, row.address, endpoints::dlnaIndexFile());
        // The stored row must name a station before anything is sent.
        const QString stream = stations.at(qsizetype(dlnaRow) - 1).IP;
        commands::startDlna(c, boxOf(row), dlnaRow, stream);
    }

    void stop()
    {
        const QString which = player();
        const bool dlna = which == QLatin1String("dlna");
        const DeviceRow row = box(takeBox(0), dlna);
        if (dlna)
            commands::stopDlna(channel(), boxOf(row));
        else
            commands::stopOrvex(channel(), boxOf(row));
    }

    // A station by its row (as `stations` lists them) or by its name: a whole
    // name, or a unique prefix, letter case ignored.
    static int stationRow(const StationList &stations, const QString &wanted)
    {
        bool number = false;
        const int row = wanted.toInt(&number);
        if (number) {
            if (row < 1 || row > stations.size())
                usage(tr("the box has no station %1").arg(row));
            return row;
        }
        const QStringList names = stations.texts();
        const QList<qsizetype> found = namedBy(names, wanted);
        if (found.size() != 1) {
            QStringList named;
            for (const qsizetype i : found)
                named << names.at(i);
            usage(found.isEmpty()
                    ? tr("no station is named '%1'").arg(wanted)
                    : tr("'%1' names several stations: %2").arg(wanted, named.join(QStringLiteral(", "))));
        }
        return int(found.first()) + 1;
    }

    void station()
    {
        const QString name = takeBox(1);
        const QString wanted = m_arguments.takeFirst();
        const DeviceRow row = box(name, m_dlna);
        const CommandChannel c = channel();
        const StationList stations = stationsOf(c, row.address);
        const int index = stationRow(stations, wanted);
        if (m_dlna)
            commands::chooseDlnaStream(c, boxOf(row), index, stations.at(index - 1).IP);
        else
            commands::chooseRadioStation(c, boxOf(row), index, stations.at(index - 1).IP);
    }

    void stations()
    {
        const DeviceRow row = box(takeBox(0), false);
        const StationList stations = stationsOf(channel(), row.address);
        for (int i = 0; i < stations.size(); ++i)
            print(QStringLiteral("%1\t%2\t%3")
                      .arg(i + 1)
                      .arg(field(stations.at(i).Description), field(stations.at(i).IP)));
    }

    void confirmed(const char *what)
    {
        if (!m_yes)
            usage(tr("%1 needs --yes").arg(QLatin1String(what)));
    }

    void restart()
    {
        confirmed("restart");
        commands::restart(channel(), boxOf(box(takeBox(0), false)));
    }

    void shutdown()
    {
        confirmed("shutdown");
        commands::shutdown(channel(), boxOf(box(takeBox(0), false)));
    }

    QStringList m_arguments;
    bool m_json;
    bool m_yes;
    bool m_dlna;
    Deadline m_deadline;
    // A run starts with empty cookie stores, as the window does; it never
    // touches the window's browser cookies.
    HttpClient m_ht;
    HttpClient m_hdown;
    SsdpEndpoint m_ud;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvexctl"));
    // Messages and help in the user's language; the JSON and the list lines stay as they are.
    installTranslations({ QStringLiteral("orvexctl"), QStringLiteral("orvex_core") });
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVEX_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        OrvexCtl::tr("Drives Orvex boxes on the local network.\n\n"
                     "Commands:\n"
                     "  list [--json]                       the boxes that answer the search\n"
                     "  status [BOX] [--json]               volumes, stations and their number\n"
                     "  volume [BOX] N                      the system volume, 0 to 100\n"
                     "  dlna-volume [BOX] N                 the DLNA volume, 0 to 100\n"
                     "  start orvex|dlna [BOX]              start the web radio or the DLNA renderer\n"
                     "  stop orvex|dlna [BOX]               stop it\n"
                     "  station [BOX] NAME-OR-INDEX [--dlna]  choose a station\n"
                     "  stations [BOX]                      the box's stations, as the window sorts them\n"
                     "  restart [BOX] --yes                 restart the box\n"
                     "  shutdown [BOX] --yes                shut the box down\n\n"
                     "BOX is a friendly name (a unique prefix is enough, letter case ignored) or an\n"
                     "address (ADDRESS:PORT for the commands that need the renderer port); with one box\n"
                     "on the network it may be left out.\n"
                     "Exit status: 0 done, 1 the box failed, 2 usage error, 3 no box matches."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption json(QStringLiteral("json"), OrvexCtl::tr("Print list and status as JSON."));
    const QCommandLineOption yes(QStringLiteral("yes"), OrvexCtl::tr("Confirm restart and shutdown."));
    const QCommandLineOption dlna(QStringLiteral("dlna"), OrvexCtl::tr("The DLNA player's station."));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
        OrvexCtl::tr("Give the action at most this long (at most 15 s)."), QStringLiteral("seconds"));
    parser.addOptions({ json, yes, dlna, timeout });
    parser.addPositionalArgument(QStringLiteral("command"), OrvexCtl::tr("What to do; see above."));
    if (!parser.parse(app.arguments())) {
        complain(parser.errorText());
        return UsageError;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(platform::terminalText(parser.helpText().toStdU16String()).c_str(), stdout);
        return Done;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        print(QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion());
        return Done;
    }

    milliseconds budget = ActionBudget;
    if (parser.isSet(timeout)) {
        bool number = false;
        const double seconds = parser.value(timeout).toDouble(&number);
        if (!number || !std::isfinite(seconds) || seconds <= 0) {
            complain(OrvexCtl::tr("--timeout takes a number of seconds above 0"));
            return UsageError;
        }
        // Clamped while still a double: a huge value never reaches the conversion.
        const double ms = std::min(seconds * 1000, double(ActionBudget.count()));
        budget = milliseconds(std::max<qint64>(1, qint64(ms)));
    }
    try {
        OrvexCtl(parser.positionalArguments(), parser.isSet(json), parser.isSet(yes), parser.isSet(dlna), budget).run();
        // What was printed must have reached its reader: a full disk or a
        // closed pipe is a failure, not success.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            complain(OrvexCtl::tr("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
            return BoxFailed;
        }
        return Done;
    } catch (const Stop &stop) {
        complain(field(stop.message));
        return stop.status;
    } catch (...) {
        // The failing layer's words, on one line: "Socket Error # 111: Connection refused".
        QString message = failureMessage(std::current_exception());
        message.replace(QStringLiteral("\r\n"), QStringLiteral(": "));
        complain(field(message.simplified()));
        return BoxFailed;
    }
}
