// lumora-bridge-sim: a Hue Bridge on loopback for trying Lumora by hand,
// for benchmarks in a separate process, and for demos. See README.md.

#include "BridgeSimulator.h"
#include "SimCertificates.h"
#include "SimControl.h"
#include "SimHome.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTextStream>

#ifdef LUMORA_BRIDGE_SIM_MDNS
#include "MdnsResponder.h"
#endif

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void print(const QString &line)
{
    QTextStream out(stdout);
    out << line << Qt::endl;
}

void printError(const QString &line)
{
    QTextStream err(stderr);
    err << "lumora-bridge-sim: " << line << Qt::endl;
}

std::optional<SimHomeSize> parseSize(const QString &text)
{
    if (text == "small"_L1)
        return SimHomeSize::small();
    if (text == "v2"_L1 || text == "bsb002"_L1)
        return SimHomeSize::bridgeV2();
    if (text == "pro"_L1 || text == "bsb003"_L1)
        return SimHomeSize::bridgePro();
    // lights=150,devices=300,rooms=40,zones=10,scenes=500,actions=10
    SimHomeSize size = SimHomeSize::small();
    const QStringList parts = text.split(u',', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString key = part.section(u'=', 0, 0);
        bool ok = false;
        const int value = part.section(u'=', 1).toInt(&ok);
        if (!ok || value < 0 || value > 100000)
            return std::nullopt;
        if (key == "lights"_L1)
            size.lights = value;
        else if (key == "devices"_L1)
            size.devices = value;
        else if (key == "rooms"_L1)
            size.rooms = value;
        else if (key == "zones"_L1)
            size.zones = value;
        else if (key == "scenes"_L1)
            size.scenes = value;
        else if (key == "actions"_L1)
            size.actionsPerScene = value;
        else
            return std::nullopt;
    }
    return size;
}

std::optional<SimIdentity> readIdentity(const QString &chainPath, const QString &keyPath, QString *error)
{
    QFile chainFile(chainPath);
    QFile keyFile(keyPath);
    if (!chainFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        *error = u"cannot read the certificate chain or key"_s;
        return std::nullopt;
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromData(chainFile.readAll(), QSsl::Pem);
    const QByteArray keyPem = keyFile.readAll();
    QSslKey key(keyPem, QSsl::Ec, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(keyPem, QSsl::Rsa, QSsl::Pem);
    if (chain.isEmpty() || key.isNull()) {
        *error = u"the chain file holds no PEM certificate or the key is not a PEM EC or RSA key"_s;
        return std::nullopt;
    }
    return SimIdentity{chain.first(), key, chain};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"lumora-bridge-sim"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"A Hue Bridge simulator on loopback: HTTPS CLIP v2, event stream, link button, "
                                     "fault injection. Commands on standard input; type \"help\"."_s);
    parser.addHelpOption();
    const QCommandLineOption addressOption(u"address"_s, u"Loopback address to listen on (default 127.0.0.1)."_s,
                                           u"address"_s, u"127.0.0.1"_s);
    const QCommandLineOption portOption(u"port"_s, u"Port (default 0: pick a free one and print it)."_s, u"port"_s,
                                        u"0"_s);
    const QCommandLineOption rootPemOption(u"root-pem"_s, u"Write the root certificate (PEM) to this file."_s,
                                           u"path"_s);
    const QCommandLineOption chainOption(u"cert-chain"_s,
                                         u"Present this PEM chain (leaf first) instead of a "
                                         "generated one; needs --cert-key."_s,
                                         u"path"_s);
    const QCommandLineOption keyFileOption(u"cert-key"_s, u"The PEM private key of --cert-chain."_s, u"path"_s);
    const QCommandLineOption idOption(u"bridge-id"_s, u"Bridge id, 16 hex digits (default 001788FFFEA532A7)."_s,
                                      u"id"_s, u"001788FFFEA532A7"_s);
    const QCommandLineOption modelOption(u"model"_s, u"Model id (default BSB002)."_s, u"model"_s, u"BSB002"_s);
    const QCommandLineOption nameOption(u"name"_s, u"Bridge name (default \"Hue Bridge\")."_s, u"name"_s,
                                        u"Hue Bridge"_s);
    const QCommandLineOption resourcesOption(u"resources"_s,
                                             u"Load resources from a JSON file (bare array or "
                                             "{\"errors\":[],\"data\":[...]})."_s,
                                             u"file"_s);
    const QCommandLineOption generateOption(
        u"generate"_s, u"Generate a home: small, v2, pro, or lights=N,devices=N,rooms=N,zones=N,scenes=N,actions=N."_s,
        u"size"_s);
    const QCommandLineOption keyOption(u"key"_s, u"Accept this application key (repeatable)."_s, u"key"_s);
    const QCommandLineOption pressedOption(u"press-button"_s, u"Start with the link button pressed."_s);
    const QCommandLineOption windowOption(u"link-window"_s, u"Milliseconds a button press lasts (default 30000)."_s,
                                          u"ms"_s, u"30000"_s);
    const QCommandLineOption intervalOption(
        u"event-interval"_s, u"Milliseconds between event messages at most (default 1000)."_s, u"ms"_s, u"1000"_s);
    const QCommandLineOption lifetimeOption(
        u"stream-lifetime"_s, u"End each event stream this many milliseconds after it opens."_s, u"ms"_s, u"0"_s);
    const QCommandLineOption idleOption(
        u"idle-timeout"_s, u"Close keep-alive connections idle for this many milliseconds."_s, u"ms"_s, u"0"_s);
    const QCommandLineOption rateOption(u"rate-limit"_s, u"Answer 429 beyond this many requests per second."_s,
                                        u"count"_s, u"0"_s);
    const QCommandLineOption latencyOption(u"latency"_s, u"Answer every request this many milliseconds late."_s,
                                           u"ms"_s, u"0"_s);
    const QCommandLineOption closeDelimitedOption(u"close-delimited"_s, u"Stream events without chunked encoding, "
                                                                        "ended by closing the connection."_s);
    const QCommandLineOption maxScenesOption(u"max-scenes"_s, u"Answer 507 when creating more scenes than this."_s,
                                             u"count"_s, u"0"_s);
    const QCommandLineOption controlOption(u"control-port"_s,
                                           u"Serve the control interface over HTTP on this port "
                                           "of the listening address (0: pick one)."_s,
                                           u"port"_s);
    const QCommandLineOption printOption(u"print-requests"_s, u"Print every request to standard error as it arrives "
                                                              "(never header values or keys)."_s);
    const QCommandLineOption mdnsOption(u"mdns"_s, u"Announce the bridge by multicast DNS. Only inside a private "
                                                   "network namespace (unshare -n)."_s);
    parser.addOptions({addressOption, portOption,           rootPemOption,   chainOption,     keyFileOption,
                       idOption,      modelOption,          nameOption,      resourcesOption, generateOption,
                       keyOption,     pressedOption,        windowOption,    intervalOption,  lifetimeOption,
                       idleOption,    closeDelimitedOption, maxScenesOption, controlOption,   printOption,
                       mdnsOption,    rateOption,           latencyOption});
    parser.process(app);

    BridgeSimulator simulator;
    simulator.setBridgeId(parser.value(idOption));
    simulator.setModelId(parser.value(modelOption));
    simulator.setName(parser.value(nameOption));
    simulator.setLinkButtonWindow(parser.value(windowOption).toInt());
    simulator.setEventInterval(parser.value(intervalOption).toInt());
    simulator.setMaximumScenes(parser.value(maxScenesOption).toInt());
    simulator.setEventStreamLifetime(parser.value(lifetimeOption).toInt());
    simulator.setIdleTimeout(parser.value(idleOption).toInt());
    simulator.setRateLimit(parser.value(rateOption).toInt());
    simulator.setLatency(parser.value(latencyOption).toInt());
    if (parser.isSet(closeDelimitedOption))
        simulator.setStreamFraming(BridgeSimulator::StreamFraming::closeDelimited);

    QString error;
    if (parser.isSet(resourcesOption)) {
        if (!simulator.loadResources(parser.value(resourcesOption), &error)) {
            printError(error);
            return 2;
        }
    } else if (parser.isSet(generateOption)) {
        const std::optional<SimHomeSize> size = parseSize(parser.value(generateOption));
        if (!size) {
            printError(u"--generate: expected small, v2, pro or lights=N,devices=N,..."_s);
            return 2;
        }
        simulator.generateHome(*size);
    }
    if (parser.isSet(chainOption) || parser.isSet(keyFileOption)) {
        const std::optional<SimIdentity> identity =
            readIdentity(parser.value(chainOption), parser.value(keyFileOption), &error);
        if (!identity) {
            printError(error);
            return 2;
        }
        simulator.setServerIdentity(*identity);
    }
    for (const QString &key : parser.values(keyOption))
        simulator.addApplicationKey(key);

    const QHostAddress address(parser.value(addressOption));
    if (address.isNull() || !address.isLoopback()) {
        printError(u"--address must be a loopback address (127.0.0.0/8 or ::1)"_s);
        return 2;
    }
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        printError(u"--port must be a number from 0 to 65535"_s);
        return 2;
    }
    if (!simulator.start(address, quint16(port), &error)) {
        printError(error);
        return 1;
    }
    if (parser.isSet(rootPemOption) && !simulator.writeRootPem(parser.value(rootPemOption), &error)) {
        printError(error);
        return 1;
    }
    if (parser.isSet(pressedOption))
        simulator.pressLinkButton();

    SimControl control(&simulator);
    QObject::connect(&control, &SimControl::quitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (parser.isSet(controlOption)) {
        if (!control.listen(address, quint16(parser.value(controlOption).toUInt()), &error)) {
            printError(u"control interface: "_s + error);
            return 1;
        }
    }
    if (parser.isSet(printOption)) {
        QObject::connect(&simulator, &BridgeSimulator::requestReceived, &app,
                         [](const SimRequest &request) { printError(request.describe(300)); });
    }

#ifdef LUMORA_BRIDGE_SIM_MDNS
    MdnsResponder responder;
    if (parser.isSet(mdnsOption)) {
        const QString id = simulator.bridgeId().toLower();
        const QString host = id.left(6) + id.right(6) + u".local"_s;
        responder.setService(u"Hue Bridge - "_s + id.right(6).toUpper(), host, simulator.address(), simulator.port(),
                             {{"bridgeid"_ba, id.toUtf8()}, {"modelid"_ba, simulator.modelId().toUtf8()}});
        if (!responder.start(&error)) {
            printError(u"mdns: "_s + error);
            return 1;
        }
        // A moved bridge announces its new address.
        // id and host by value: they live only in this block.
        QObject::connect(&simulator, &BridgeSimulator::listeningChanged, &responder,
                         [&simulator, &responder, id, host](bool listening) {
                             if (listening)
                                 responder.setService(
                                     u"Hue Bridge - "_s + id.right(6).toUpper(), host, simulator.address(),
                                     simulator.port(),
                                     {{"bridgeid"_ba, id.toUtf8()}, {"modelid"_ba, simulator.modelId().toUtf8()}});
                         });
    }
#else
    if (parser.isSet(mdnsOption)) {
        printError(u"--mdns: this build has no mDNS responder"_s);
        return 2;
    }
#endif

    // Machine-readable lines first, so scripts can wait for them.
    print(u"ADDRESS="_s + simulator.address().toString());
    print(u"PORT="_s + QString::number(simulator.port()));
    if (parser.isSet(controlOption))
        print(u"CONTROL_PORT="_s + QString::number(control.serverPort()));
    print(u"BRIDGE_ID="_s + simulator.bridgeId());
    if (parser.isSet(rootPemOption))
        print(u"ROOT_PEM="_s + parser.value(rootPemOption));
    print(u"READY"_s);

    // Commands on standard input, one per line; end of input leaves the
    // simulator running (it may be started in the background).
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            input.setEnabled(false);
            return;
        }
        pending.append(buffer, qsizetype(count));
        qsizetype newline = 0;
        while ((newline = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(newline)).trimmed();
            pending.remove(0, newline + 1);
            if (line.isEmpty())
                continue;
            const QJsonObject result = control.execute(line);
            if (result.contains(u"help"_s))
                print(result.value(u"help"_s).toString());
            else if (result.contains(u"log"_s)) {
                const QJsonArray lines = result.value(u"log"_s).toArray();
                for (const QJsonValue &entry : lines)
                    print(entry.toString());
            } else {
                print(QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact)));
            }
        }
    });

    // SIGINT and SIGTERM end the event loop, so that the mDNS goodbye goes out.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    const int code = app.exec();
    simulator.stop();
    return code;
}
