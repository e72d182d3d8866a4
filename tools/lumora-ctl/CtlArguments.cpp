#include "CtlArguments.h"

#include "CtlFailure.h"
#include "HueText.h"

#include <QCommandLineParser>
#include <QSet>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QStringList knownCommands{u"discover"_s, u"pair"_s, u"status"_s, u"home"_s, u"light"_s,
                                u"room"_s,     u"zone"_s, u"scene"_s,  u"watch"_s};

/// Which command-specific options each command takes; the global ones
/// (host, bridge-id, key, trust-anchor, port, json) go with every command.
QSet<QString> commandOptions(const QString &command)
{
    if (command == "discover"_L1)
        return {u"timeout"_s};
    if (command == "pair"_L1)
        return {u"print-key"_s};
    if (command == "light"_L1 || command == "room"_L1 || command == "zone"_L1)
        return {u"brightness"_s, u"color"_s, u"mirek"_s};
    if (command == "scene"_L1)
        return {u"group"_s};
    return {};
}

[[noreturn]] void fail(const QString &german, const QString &english)
{
    throw CtlFailure::usage(HueText::tr(german, english));
}

double number(const QString &option, const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        fail(u"--"_s + option + u" erwartet eine Zahl, nicht „"_s + text + u"“."_s,
             u"--"_s + option + u" expects a number, not “"_s + text + u"”."_s);
    return value;
}

} // namespace

std::optional<HueRGB> CtlArguments::parseColor(const QString &text)
{
    const QString digits = text.startsWith(u'#') ? text.mid(1) : text;
    if (digits.size() != 6)
        return std::nullopt;
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return HueRGB{((value >> 16) & 0xff) / 255.0, ((value >> 8) & 0xff) / 255.0, (value & 0xff) / 255.0};
}

CtlArguments CtlArguments::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QList<QCommandLineOption> options{
        QCommandLineOption(u"host"_s, {}, u"HOST"_s),
        QCommandLineOption(u"bridge-id"_s, {}, u"ID"_s),
        QCommandLineOption(u"key"_s, {}, u"KEY"_s),
        QCommandLineOption(u"trust-anchor"_s, {}, u"FILE"_s),
        QCommandLineOption(u"port"_s, {}, u"PORT"_s),
        QCommandLineOption(u"json"_s),
        QCommandLineOption(u"timeout"_s, {}, u"SECONDS"_s),
        QCommandLineOption(u"print-key"_s),
        QCommandLineOption(u"brightness"_s, {}, u"PERCENT"_s),
        QCommandLineOption(u"color"_s, {}, u"#RRGGBB"_s),
        QCommandLineOption(u"mirek"_s, {}, u"M"_s),
        QCommandLineOption(u"group"_s, {}, u"GROUP"_s),
        QCommandLineOption(QStringList{u"h"_s, u"help"_s}),
        QCommandLineOption(u"version"_s),
    };
    parser.addOptions(options);
    if (!parser.parse(arguments))
        throw CtlFailure::usage(parser.errorText());

    CtlArguments result;
    result.helpRequested = parser.isSet(u"help"_s);
    result.versionRequested = parser.isSet(u"version"_s);
    if (result.helpRequested || result.versionRequested)
        return result;

    QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        fail(u"Kein Befehl angegeben. „lumora-ctl --help“ zeigt alle Befehle."_s,
             u"No command given. “lumora-ctl --help” lists every command."_s);
    result.command = words.takeFirst();
    if (!knownCommands.contains(result.command))
        fail(u"Unbekannter Befehl „"_s + result.command + u"“. „lumora-ctl --help“ zeigt alle Befehle."_s,
             u"Unknown command “"_s + result.command + u"”. “lumora-ctl --help” lists every command."_s);
    result.positional = words;

    // Options that belong to another command are mistakes, not silently ignored.
    const QSet<QString> allowed = commandOptions(result.command);
    for (const QString &name : parser.optionNames()) {
        static const QSet<QString> global{u"host"_s, u"bridge-id"_s, u"key"_s, u"trust-anchor"_s, u"port"_s, u"json"_s};
        if (!global.contains(name) && !allowed.contains(name))
            fail(u"Die Option --"_s + name + u" gibt es für „"_s + result.command + u"“ nicht."_s,
                 u"The option --"_s + name + u" does not apply to “"_s + result.command + u"”."_s);
    }

    const auto text = [&](const QString &name) -> std::optional<QString> {
        if (!parser.isSet(name))
            return std::nullopt;
        const QString value = parser.value(name);
        if (value.trimmed().isEmpty())
            fail(u"--"_s + name + u" braucht einen Wert."_s, u"--"_s + name + u" needs a value."_s);
        return value;
    };
    result.host = text(u"host"_s);
    if (result.host) {
        // An IPv6 literal may come in brackets, as in a URL; the client wants it bare.
        QString host = result.host->trimmed();
        if (host.startsWith(u'[') && host.endsWith(u']'))
            host = host.mid(1, host.size() - 2);
        result.host = host;
    }
    result.bridgeID = text(u"bridge-id"_s);
    result.key = text(u"key"_s);
    result.trustAnchor = text(u"trust-anchor"_s);
    if (const auto port = text(u"port"_s)) {
        bool ok = false;
        const uint value = port->toUInt(&ok);
        if (!ok || value == 0 || value > 65535)
            fail(u"--port erwartet eine Portnummer von 1 bis 65535."_s,
                 u"--port expects a port number from 1 to 65535."_s);
        result.port = quint16(value);
    }
    result.json = parser.isSet(u"json"_s);
    result.printKey = parser.isSet(u"print-key"_s);
    if (const auto timeout = text(u"timeout"_s)) {
        const double seconds = number(u"timeout"_s, *timeout);
        if (seconds <= 0 || seconds > 600)
            fail(u"--timeout erwartet 0 bis 600 Sekunden."_s, u"--timeout expects 0 to 600 seconds."_s);
        result.timeoutSeconds = seconds;
    }
    if (const auto brightness = text(u"brightness"_s)) {
        const double percent = number(u"brightness"_s, *brightness);
        if (percent < 0 || percent > 100)
            fail(u"--brightness erwartet 0 bis 100 Prozent."_s, u"--brightness expects 0 to 100 percent."_s);
        result.brightness = percent;
    }
    if (const auto color = text(u"color"_s)) {
        result.color = parseColor(*color);
        if (!result.color)
            fail(u"--color erwartet eine Farbe als #RRGGBB, nicht „"_s + *color + u"“."_s,
                 u"--color expects a colour as #RRGGBB, not “"_s + *color + u"”."_s);
    }
    if (const auto mirek = text(u"mirek"_s)) {
        bool ok = false;
        const int value = mirek->toInt(&ok);
        // The range every Hue white light accepts; a light's own range may be
        // narrower, and the bridge keeps the value within it.
        if (!ok || value < 153 || value > 500)
            fail(u"--mirek erwartet eine ganze Zahl von 153 bis 500."_s,
                 u"--mirek expects a whole number from 153 to 500."_s);
        result.mirek = value;
    }
    if (result.color && result.mirek)
        fail(u"--color und --mirek schließen einander aus."_s, u"--color and --mirek cannot be combined."_s);
    result.group = text(u"group"_s);
    return result;
}

const HueHelp &CtlArguments::helpTable()
{
    static const HueHelp table{
        u"lumora-ctl"_s,
        {u"die Hue Bridge von Lumora auf der Kommandozeile"_s, u"Lumora's Hue Bridge from the command line"_s},
        {u"BEFEHL [ARGUMENTE] [OPTIONEN]"_s, u"COMMAND [ARGUMENTS] [OPTIONS]"_s},
        {
            {{u"Befehle"_s, u"Commands"_s},
             {
                 {{u"discover [--timeout SEKUNDEN]"_s, u"discover [--timeout SECONDS]"_s},
                  {u"Bridges im Netzwerk suchen"_s, u"Find bridges on the network"_s}},
                 {{u"pair HOST [--print-key]"_s, u"pair HOST [--print-key]"_s},
                  {u"Mit der Bridge koppeln (Knopf drücken)"_s, u"Pair with the bridge (press its button)"_s}},
                 {{u"status"_s, u"status"_s},
                  {u"Die gekoppelte Bridge und ob sie antwortet"_s, u"The paired bridge and whether it answers"_s}},
                 {{u"home"_s, u"home"_s}, {u"Räume, Zonen, Lampen und Szenen"_s, u"Rooms, zones, lights and scenes"_s}},
                 {{u"light NAME-ODER-ID [on|off|toggle] [--brightness PROZENT] [--color #RRGGBB] [--mirek M]"_s,
                   u"light NAME-OR-ID [on|off|toggle] [--brightness PERCENT] [--color #RRGGBB] [--mirek M]"_s},
                  {u"Eine Lampe schalten, dimmen oder färben"_s, u"Switch, dim or colour a light"_s}},
                 {{u"room NAME-ODER-ID [on|off|toggle] [...]"_s, u"room NAME-OR-ID [on|off|toggle] [...]"_s},
                  {u"ebenso für einen Raum"_s, u"the same for a room"_s}},
                 {{u"zone NAME-ODER-ID [on|off|toggle] [...]"_s, u"zone NAME-OR-ID [on|off|toggle] [...]"_s},
                  {u"ebenso für eine Zone"_s, u"the same for a zone"_s}},
                 {{u"scene recall|overwrite|delete SZENE [--group GRUPPE]"_s,
                   u"scene recall|overwrite|delete SCENE [--group GROUP]"_s},
                  {u"Eine Szene aufrufen, überschreiben oder löschen"_s, u"Recall, overwrite or delete a scene"_s}},
                 {{u"scene save GRUPPE NAME"_s, u"scene save GROUP NAME"_s},
                  {u"Das aktuelle Licht als neue Szene speichern"_s, u"Save the current light as a new scene"_s}},
                 {{u"watch"_s, u"watch"_s},
                  {u"Änderungen verfolgen, bis zum Abbruch"_s, u"Follow changes until interrupted"_s}},
             }},
            {{u"Optionen für alle Befehle"_s, u"Options of every command"_s},
             {
                 {{u"--host HOST"_s, u"--host HOST"_s},
                  {u"Diese Bridge statt der gekoppelten"_s, u"This bridge instead of the paired one"_s}},
                 {{u"--bridge-id ID"_s, u"--bridge-id ID"_s},
                  {u"Die erwartete Bridge-ID"_s, u"The bridge id to expect"_s}},
                 {{u"--key SCHLÜSSEL"_s, u"--key KEY"_s},
                  {u"Diesen Anwendungsschlüssel statt des gespeicherten"_s,
                   u"This application key instead of the stored one"_s}},
                 {{u"--trust-anchor DATEI"_s, u"--trust-anchor FILE"_s},
                  {u"Dieses Wurzelzertifikat (PEM) statt des eingebauten"_s,
                   u"This root certificate (PEM) instead of the built-in one"_s}},
                 {{u"--port PORT"_s, u"--port PORT"_s},
                  {u"Anderer Port (für Bridge-Simulatoren)"_s, u"Another port (for bridge simulators)"_s}},
                 {{u"--json"_s, u"--json"_s}, {u"Ausgabe als JSON"_s, u"Print JSON"_s}},
                 {{u"--version"_s, u"--version"_s}, {u"Die Version ausgeben"_s, u"Print the version"_s}},
                 {{u"--help"_s, u"--help"_s}, {u"Diese Hilfe"_s, u"This help"_s}},
             }},
        },
        {u"Exit-Status: 0 Erfolg, 1 Fehler der Bridge, 2 falscher Aufruf,\n"
         u"3 nicht gekoppelt oder Schlüssel abgelehnt, 4 Bridge nicht erreichbar."_s,
         u"Exit status: 0 success, 1 bridge error, 2 usage error,\n"
         u"3 not paired or key refused, 4 bridge unreachable."_s},
    };
    return table;
}
