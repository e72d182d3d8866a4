#include "SimControl.h"

#include "BridgeSimulator.h"
#include "SimHome.h"
#include "SimHttp.h"
#include "SimHttpParser.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace {

QJsonObject failure(const QString &message)
{
    return QJsonObject{{u"ok"_s, false}, {u"error"_s, message}};
}

QJsonObject success(QJsonObject result = {})
{
    result.insert(u"ok"_s, true);
    return result;
}

// Splits "fault 503 body=html path=^/clip count=2" into words and key=value
// options. Double quotes group words; \n, \r, \t and \\ are unescaped inside them.
struct Command
{
    QStringList words;
    QHash<QString, QString> options;
    QString rest; // the text after the first two words, for JSON arguments
};

Command parse(const QString &line)
{
    Command command;
    QString current;
    // Where the first quote opened inside the current word; an "=" before it
    // makes the word an option whose value may be quoted (text="two words").
    qsizetype quoteStart = -1;
    bool any = false;
    const auto finish = [&] {
        if (!any)
            return;
        const qsizetype equals = current.indexOf(u'=');
        if ((quoteStart < 0 || equals < quoteStart) && equals > 0 && command.words.size() >= 1
            && !current.startsWith(u'{') && !current.startsWith(u'['))
            command.options.insert(current.left(equals), current.mid(equals + 1));
        else
            command.words.append(current);
        current.clear();
        any = false;
    };
    bool inQuotes = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < line.size()) {
                const QChar next = line.at(++i);
                current += next == u'n' ? u'\n' : next == u'r' ? u'\r' : next == u't' ? u'\t' : next;
            } else {
                current += c;
            }
            continue;
        }
        if (c == u'"') {
            inQuotes = true;
            if (quoteStart < 0)
                quoteStart = current.size();
            any = true;
        } else if (c.isSpace()) {
            finish();
            quoteStart = -1;
        } else {
            current += c;
            any = true;
        }
    }
    finish();
    static const QRegularExpression twoWords(u"^\\s*\\S+\\s+\\S+\\s*"_s);
    const QRegularExpressionMatch match = twoWords.match(line);
    if (match.hasMatch())
        command.rest = line.mid(match.capturedEnd()).trimmed();
    return command;
}

std::optional<int> number(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

struct SimControl::Private
{
    QPointer<BridgeSimulator> simulator;
    QTcpServer server;
};

SimControl::SimControl(BridgeSimulator *simulator, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->simulator = simulator;
    connect(&d->server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = d->server.nextPendingConnection()) {
            auto parser = std::make_shared<SimHttpParser>();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, parser] {
                parser->feed(socket->readAll());
                while (std::optional<SimHttpParser::Request> request = parser->next()) {
                    const QString path = request->target.section(u'?', 0, 0);
                    if (path == "/command"_L1 && request->method == "POST"_L1) {
                        const QJsonObject result = execute(QString::fromUtf8(request->body).trimmed());
                        socket->write(SimHttp::response(result.value(u"ok"_s).toBool() ? 200 : 400, "application/json",
                                                        QJsonDocument(result).toJson(QJsonDocument::Compact) + '\n',
                                                        request->keepAlive));
                    } else if (path == "/status"_L1 && request->method == "GET"_L1) {
                        socket->write(SimHttp::response(
                            200, "application/json", QJsonDocument(execute(u"status"_s)).toJson(), request->keepAlive));
                    } else if (path == "/log"_L1 && request->method == "GET"_L1) {
                        QByteArray text;
                        if (d->simulator) {
                            const QList<SimRequest> log = d->simulator->requestLog();
                            for (const SimRequest &entry : log)
                                text += entry.describe().toUtf8() + '\n';
                        }
                        socket->write(SimHttp::response(200, "text/plain; charset=utf-8", text, request->keepAlive));
                    } else {
                        socket->write(SimHttp::response(404, "text/plain", "POST /command, GET /status, GET /log\n",
                                                        request->keepAlive));
                    }
                    if (!request->keepAlive)
                        socket->disconnectFromHost();
                }
                if (parser->error() != SimHttpParser::Error::none) {
                    socket->write(SimHttp::response(400, "text/plain", "bad request\n", false));
                    socket->disconnectFromHost();
                }
            });
        }
    });
}

SimControl::~SimControl() = default;

bool SimControl::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (!address.isLoopback()) {
        if (error)
            *error = u"the control endpoint only listens on loopback addresses"_s;
        return false;
    }
    if (!d->server.listen(address, port)) {
        if (error)
            *error = d->server.errorString();
        return false;
    }
    return true;
}

quint16 SimControl::serverPort() const
{
    return d->server.serverPort();
}

QString SimControl::help()
{
    return uR"(status                         listening state, address, port, streams, faults, log size
press-button | release-button  the link button (pairing works while pressed)
link-window MS                 how long a press lasts (default 30000)
add-key [KEY]                  register an application key (random when omitted)
revoke-key KEY | revoke-keys   later requests with the key answer 403; its streams end
fault STATUS [body=json|empty-errors|empty|html] [text="description"] [path=REGEX] [method=M] [count=N]
fault STATUS custom="BODY" [type=CONTENT-TYPE] [path=REGEX] [method=M] [count=N]
stall [path=REGEX] [method=M] [count=N]        read matching requests, never answer
close-on-request [path=REGEX] [method=M] [count=N]   close the connection instead of answering
delay MS [path=REGEX] [method=M] [count=N]     answer matching requests late
flood line|header|answer [size=BYTES] [path=REGEX] [method=M] [count=N]   a hostile answer at full speed:
                               an endless event-stream line, an endless head, or a body (endless without size)
dribble MS [path=REGEX] [method=M] [count=N]   answer matching requests one byte every MS
clear-faults                   remove every fault
end-streams | abort-streams    end event streams as the bridge does / reset them
close-connections              close every client connection, keep listening
down | up                      stop listening and drop connections / listen again
move ADDRESS [PORT]            listen on another loopback address (e.g. 127.0.0.2)
light ID [on|off] [bri=N] [xy=X,Y] [mirek=N]   change a light from outside
patch ID JSON                  merge JSON into any resource from outside
remove ID                      delete a resource (a delete event follows)
event JSON-ARRAY               send one message with exactly these event containers
raw-event "TEXT"               write TEXT into every stream as is (\n, \r, \t escapes)
burst MESSAGES [ITEMS]         send MESSAGES light-update messages of ITEMS events at once
interval MS                    shortest time between event messages (default 1000)
stream-lifetime MS             end each later event stream MS after it opens (0: never)
idle-timeout MS                close keep-alive connections idle for MS (0: never)
rate-limit N                   answer 429 beyond N requests per second (0: no limit)
max-parallel N                 answer an HTML 503 while N delayed requests are pending (0: no limit)
latency MS                     answer every request but the event stream MS late (0: at once)
log [N] | clear-log            the last N requests (default all) / forget them
quit                           stop the simulator
)"_s;
}

QJsonObject SimControl::execute(const QString &line)
{
    BridgeSimulator *sim = d->simulator;
    if (!sim)
        return failure(u"the simulator is gone"_s);
    const Command command = parse(line);
    if (command.words.isEmpty())
        return failure(u"empty command; try \"help\""_s);
    const QString verb = command.words.first().toLower();
    const QString argument = command.words.value(1);

    const auto faultWithFilters = [&](SimFault fault) -> std::optional<SimFault> {
        if (command.options.contains(u"path"_s)) {
            if (!QRegularExpression(command.options.value(u"path"_s)).isValid())
                return std::nullopt;
            fault = fault.onPath(command.options.value(u"path"_s));
        }
        if (command.options.contains(u"method"_s))
            fault = fault.onMethod(command.options.value(u"method"_s).toUpper());
        if (command.options.contains(u"count"_s)) {
            const std::optional<int> count = number(command.options.value(u"count"_s));
            if (!count || *count <= 0)
                return std::nullopt;
            fault = fault.times(*count);
        }
        return fault;
    };
    const auto addFault = [&](const SimFault &fault) {
        const std::optional<SimFault> filtered = faultWithFilters(fault);
        if (!filtered)
            return failure(u"invalid path pattern or count"_s);
        sim->addFault(*filtered);
        return success({{u"faults"_s, int(sim->faults().size())}});
    };

    if (verb == "help"_L1)
        return success({{u"help"_s, help()}});
    if (verb == "status"_L1) {
        return success({{u"listening"_s, sim->isListening()},
                        {u"address"_s, sim->address().toString()},
                        {u"port"_s, sim->port()},
                        {u"bridgeid"_s, sim->bridgeId()},
                        {u"modelid"_s, sim->modelId()},
                        {u"eventStreams"_s, sim->eventStreamCount()},
                        {u"keys"_s, int(sim->applicationKeys().size())},
                        {u"linkButtonPressed"_s, sim->isLinkButtonPressed()},
                        {u"faults"_s, int(sim->faults().size())},
                        {u"requests"_s, int(sim->requestLog().size())},
                        {u"resources"_s, int(sim->home().size())}});
    }
    if (verb == "press-button"_L1) {
        sim->pressLinkButton();
        return success();
    }
    if (verb == "release-button"_L1) {
        sim->releaseLinkButton();
        return success();
    }
    if (verb == "link-window"_L1 || verb == "interval"_L1 || verb == "stream-lifetime"_L1 || verb == "idle-timeout"_L1
        || verb == "rate-limit"_L1 || verb == "max-parallel"_L1 || verb == "latency"_L1) {
        const std::optional<int> ms = number(argument);
        if (!ms || *ms < 0)
            return failure(u"expected a non-negative number"_s);
        if (verb == "interval"_L1)
            sim->setEventInterval(*ms);
        else if (verb == "stream-lifetime"_L1)
            sim->setEventStreamLifetime(*ms);
        else if (verb == "idle-timeout"_L1)
            sim->setIdleTimeout(*ms);
        else if (verb == "rate-limit"_L1)
            sim->setRateLimit(*ms);
        else if (verb == "max-parallel"_L1)
            sim->setMaximumParallelRequests(*ms);
        else if (verb == "latency"_L1)
            sim->setLatency(*ms);
        else
            sim->setLinkButtonWindow(*ms);
        return success();
    }
    if (verb == "add-key"_L1)
        return success({{u"key"_s, sim->addApplicationKey(argument)}});
    if (verb == "revoke-key"_L1) {
        if (argument.isEmpty())
            return failure(u"expected a key"_s);
        sim->revokeApplicationKey(argument);
        return success();
    }
    if (verb == "revoke-keys"_L1) {
        sim->revokeAllApplicationKeys();
        return success();
    }
    if (verb == "fault"_L1) {
        const std::optional<int> status = number(argument);
        if (!status || *status < 100 || *status > 599)
            return failure(u"expected a status from 100 to 599"_s);
        if (command.options.contains(u"custom"_s)) {
            const QByteArray type = command.options.value(u"type"_s, u"application/json"_s).toUtf8();
            return addFault(SimFault::custom(*status, command.options.value(u"custom"_s).toUtf8(), type));
        }
        const QString bodyName = command.options.value(u"body"_s, u"json"_s);
        SimFault::Body body = SimFault::Body::jsonErrors;
        if (bodyName == "json"_L1)
            body = SimFault::Body::jsonErrors;
        else if (bodyName == "empty-errors"_L1)
            body = SimFault::Body::emptyErrors;
        else if (bodyName == "empty"_L1)
            body = SimFault::Body::empty;
        else if (bodyName == "html"_L1)
            body = SimFault::Body::html;
        else
            return failure(u"body must be json, empty-errors, empty or html"_s);
        return addFault(SimFault::respond(*status, body, command.options.value(u"text"_s)));
    }
    if (verb == "stall"_L1)
        return addFault(SimFault::stall());
    if (verb == "close-on-request"_L1)
        return addFault(SimFault::closeConnection());
    if (verb == "delay"_L1) {
        const std::optional<int> ms = number(argument);
        if (!ms || *ms < 0)
            return failure(u"expected milliseconds"_s);
        return addFault(SimFault::delay(*ms));
    }
    if (verb == "flood"_L1) {
        bool sized = true;
        const qint64 size =
            command.options.contains(u"size"_s) ? command.options.value(u"size"_s).toLongLong(&sized) : -1;
        if (argument == "line"_L1)
            return addFault(SimFault::endlessLine());
        if (argument == "header"_L1)
            return addFault(SimFault::endlessHeader());
        if (argument == "answer"_L1 && sized && size != 0 && size >= -1)
            return addFault(SimFault::hugeAnswer(size));
        return failure(u"expected: flood line|header|answer [size=BYTES]"_s);
    }
    if (verb == "dribble"_L1) {
        const std::optional<int> ms = number(argument);
        if (!ms || *ms <= 0)
            return failure(u"expected milliseconds"_s);
        return addFault(
            SimFault::dribble(SimHttp::response(200, "application/json", R"({"errors":[],"data":[]})", false), *ms));
    }
    if (verb == "clear-faults"_L1) {
        sim->clearFaults();
        return success();
    }
    if (verb == "end-streams"_L1) {
        sim->endEventStreams();
        return success();
    }
    if (verb == "abort-streams"_L1) {
        sim->abortEventStreams();
        return success();
    }
    if (verb == "close-connections"_L1) {
        sim->closeConnections();
        return success();
    }
    if (verb == "down"_L1) {
        sim->goDown();
        return success();
    }
    if (verb == "up"_L1 || verb == "move"_L1) {
        QString error;
        bool ok = false;
        if (verb == "up"_L1) {
            ok = sim->comeBack(&error);
        } else {
            const QHostAddress address(argument);
            if (address.isNull() || !address.isLoopback())
                return failure(u"expected a loopback address"_s);
            const std::optional<int> port = command.words.size() > 2 ? number(command.words.at(2)) : 0;
            if (!port || *port < 0 || *port > 65535)
                return failure(u"expected a port"_s);
            ok = sim->moveTo(address, quint16(*port), &error);
        }
        if (!ok)
            return failure(error);
        return success({{u"address"_s, sim->address().toString()}, {u"port"_s, sim->port()}});
    }
    if (verb == "light"_L1) {
        if (argument.isEmpty())
            return failure(u"expected a light id"_s);
        QJsonObject patch;
        for (qsizetype i = 2; i < command.words.size(); ++i) {
            if (command.words.at(i) == "on"_L1 || command.words.at(i) == "off"_L1)
                patch.insert(u"on"_s, QJsonObject{{u"on"_s, command.words.at(i) == "on"_L1}});
            else
                return failure(u"unknown word "_s + command.words.at(i));
        }
        if (command.options.contains(u"bri"_s))
            patch.insert(u"dimming"_s, QJsonObject{{u"brightness"_s, command.options.value(u"bri"_s).toDouble()}});
        if (command.options.contains(u"mirek"_s))
            patch.insert(u"color_temperature"_s, QJsonObject{{u"mirek"_s, command.options.value(u"mirek"_s).toInt()}});
        if (command.options.contains(u"xy"_s)) {
            const QStringList xy = command.options.value(u"xy"_s).split(u',');
            if (xy.size() != 2)
                return failure(u"xy=X,Y"_s);
            patch.insert(u"color"_s, QJsonObject{{u"xy"_s, QJsonObject{{u"x"_s, xy.at(0).toDouble()},
                                                                       {u"y"_s, xy.at(1).toDouble()}}}});
        }
        const auto inRange = [](const QString &text, double low, double high) {
            bool ok = false;
            const double value = text.toDouble(&ok);
            return ok && value >= low && value <= high;
        };
        const QStringList xyText = command.options.value(u"xy"_s, u"0,0"_s).split(u',');
        if ((command.options.contains(u"bri"_s) && !inRange(command.options.value(u"bri"_s), 0, 100))
            || (command.options.contains(u"mirek"_s) && !inRange(command.options.value(u"mirek"_s), 50, 1000))
            || !inRange(xyText.value(0), 0, 1) || !inRange(xyText.value(1), 0, 1))
            return failure(u"bri must be 0-100, mirek 50-1000, x and y 0-1"_s);
        if (sim->resource(argument).value_or(QJsonObject{}).value(u"type"_s).toString() != "light"_L1)
            return failure(u"no light with id "_s + argument);
        sim->changeFromOutside(argument, patch);
        return success();
    }
    if (verb == "patch"_L1) {
        const QJsonDocument document = QJsonDocument::fromJson(command.rest.toUtf8());
        if (!document.isObject())
            return failure(u"expected: patch ID {json object}"_s);
        if (!sim->changeFromOutside(argument, document.object()))
            return failure(u"no resource with id "_s + argument);
        return success();
    }
    if (verb == "remove"_L1) {
        if (!sim->removeResource(argument))
            return failure(u"no resource with id "_s + argument);
        return success();
    }
    if (verb == "event"_L1) {
        const QString text = line.trimmed().mid(verb.size()).trimmed();
        const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
        if (!document.isArray())
            return failure(u"expected: event [json array of event containers]"_s);
        sim->sendEventContainers(document.array());
        return success();
    }
    if (verb == "burst"_L1) {
        const std::optional<int> messages = number(argument);
        const std::optional<int> items = number(command.words.value(2, u"10"_s));
        if (!messages || !items || *messages <= 0 || *items <= 0 || *messages > 1'000'000 || *items > 10'000)
            return failure(u"expected: burst MESSAGES [ITEMS]"_s);
        sim->sendUpdateBurst(*messages, *items);
        return success();
    }
    if (verb == "raw-event"_L1) {
        if (command.words.size() < 2)
            return failure(u"expected: raw-event \"TEXT\""_s);
        sim->sendRawEventBytes(command.words.mid(1).join(u' ').toUtf8());
        return success();
    }
    if (verb == "log"_L1) {
        const QList<SimRequest> log = sim->requestLog();
        const std::optional<int> count = argument.isEmpty() ? std::optional<int>(int(log.size())) : number(argument);
        if (!count || *count < 0)
            return failure(u"expected a count"_s);
        QJsonArray lines;
        for (qsizetype i = std::max<qsizetype>(0, log.size() - *count); i < log.size(); ++i)
            lines.append(log.at(i).describe());
        return success({{u"log"_s, lines}});
    }
    if (verb == "clear-log"_L1) {
        sim->clearRequestLog();
        return success();
    }
    if (verb == "quit"_L1) {
        Q_EMIT quitRequested();
        return success();
    }
    return failure(u"unknown command "_s + verb + u"; try \"help\""_s);
}
