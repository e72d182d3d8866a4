#pragma once

#include "HueHelp.h"

#include <QString>
#include <QStringList>

/// What the command line asks for. `--demo` runs Lumora against a simulated
/// bridge inside the process; `--background` starts it in the tray without a
/// window; `--quick` opens the quick panel; `--action all-off` switches the
/// whole home off. A launch while Lumora runs hands the last three to the
/// running instance.
struct LaunchOptions
{
    bool demo = false;
    bool help = false;
    bool version = false;
    bool background = false;
    bool quick = false;
    /// The one thing `--action` asks for ("all-off"); empty without one.
    QString action;
    /// Set when the arguments cannot be used; the text says why.
    QString error;

    friend bool operator==(const LaunchOptions &, const LaunchOptions &) = default;

    /// The actions `--action` knows.
    static QStringList actions() { return {QStringLiteral("all-off")}; }

    /// `arguments` without the program name.
    static LaunchOptions parse(const QStringList &arguments);
    static QString usage() { return helpTable().text(); }
    /// The options as --help and the manual page list them.
    static const HueHelp &helpTable();
    /// What a second launch hands to the running instance: the options that
    /// ask it to do something (not --demo, which chose the instance).
    QStringList handedOver() const;
};
