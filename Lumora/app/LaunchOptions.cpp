#include "LaunchOptions.h"

#include "HueText.h"

using namespace Qt::StringLiterals;

LaunchOptions LaunchOptions::parse(const QStringList &arguments)
{
    LaunchOptions options;
    const auto fail = [&options](const QString &german, const QString &english) {
        if (options.error.isEmpty())
            options.error = HueText::tr(german, english);
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == u"--demo")
            options.demo = true;
        else if (argument == u"--help" || argument == u"-h")
            options.help = true;
        else if (argument == u"--version")
            options.version = true;
        else if (argument == u"--background")
            options.background = true;
        else if (argument == u"--quick")
            options.quick = true;
        else if (argument == u"--action" || argument.startsWith(u"--action=")) {
            const bool joined = argument.startsWith(u"--action=");
            const QString name = joined ? argument.mid(9) : arguments.value(++i);
            if (!actions().contains(name))
                fail(u"Unbekannte Aktion: \""_s + name + u"\" (bekannt: "_s + actions().join(u", "_s) + u')',
                     u"Unknown action: \""_s + name + u"\" (known: "_s + actions().join(u", "_s) + u')');
            else
                options.action = name;
        }
        // Qt's own platform options (-platform, -style …) are taken by the
        // application object before this sees them; anything else is a mistake.
        else
            fail(u"Unbekannte Option: "_s + argument, u"Unknown option: "_s + argument);
    }
    return options;
}

QStringList LaunchOptions::handedOver() const
{
    QStringList list;
    if (background)
        list.append(u"--background"_s);
    if (quick)
        list.append(u"--quick"_s);
    if (!action.isEmpty())
        list += {u"--action"_s, action};
    return list;
}

const HueHelp &LaunchOptions::helpTable()
{
    static const HueHelp table{
        u"lumora"_s,
        {u"die Lichter einer Hue-Installation steuern"_s, u"control the lights of a Hue installation"_s},
        {u"[--demo] [--background | --quick | --action all-off]"_s,
         u"[--demo] [--background | --quick | --action all-off]"_s},
        {{{},
          {
              {{u"--demo"_s, u"--demo"_s},
               {u"mit einer simulierten Bridge im Programm, ohne Hardware"_s,
                u"run against a simulated bridge inside the program, no hardware needed"_s}},
              {{u"--background"_s, u"--background"_s},
               {u"ohne Fenster in der Leiste starten"_s, u"start in the tray, without a window"_s}},
              {{u"--quick"_s, u"--quick"_s}, {u"den Schnellzugriff öffnen"_s, u"open the quick panel"_s}},
              {{u"--action all-off"_s, u"--action all-off"_s},
               {u"alle Lampen ausschalten (im laufenden Lumora oder allein)"_s,
                u"switch every light off (in the running Lumora, or on its own)"_s}},
              {{u"--version"_s, u"--version"_s}, {u"die Version ausgeben"_s, u"print the version"_s}},
              {{u"--help"_s, u"--help"_s}, {u"diese Hilfe"_s, u"this help"_s}},
          }}},
        {},
    };
    return table;
}
