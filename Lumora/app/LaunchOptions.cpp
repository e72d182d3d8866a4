#include "LaunchOptions.h"

#include "HueText.h"

using namespace Qt::StringLiterals;

LaunchOptions LaunchOptions::parse(const QStringList &arguments)
{
    LaunchOptions options;
    for (const QString &argument : arguments) {
        if (argument == u"--demo")
            options.demo = true;
        else if (argument == u"--help" || argument == u"-h")
            options.help = true;
        else if (argument == u"--version")
            options.version = true;
        // Qt's own platform options (-platform, -style …) are taken by the
        // application object before this sees them; anything else is a mistake.
        else if (options.error.isEmpty())
            options.error = HueText::tr(u"Unbekannte Option: "_s + argument, u"Unknown option: "_s + argument);
    }
    return options;
}

QString LaunchOptions::usage()
{
    return HueText::tr(u"Aufruf: lumora [--demo]\n\n"
                       u"  --demo     mit einer simulierten Bridge im Programm, ohne Hardware\n"
                       u"  --version  die Version ausgeben\n"
                       u"  --help     diese Hilfe\n"_s,
                       u"Usage: lumora [--demo]\n\n"
                       u"  --demo     run against a simulated bridge inside the program, no hardware needed\n"
                       u"  --version  print the version\n"
                       u"  --help     this help\n"_s);
}
