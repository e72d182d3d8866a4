#pragma once

#include <QString>
#include <QStringList>

/// What the command line asks for. Lumora has one option of its own:
/// `--demo` runs it against a simulated bridge inside the process.
struct LaunchOptions
{
    bool demo = false;
    bool help = false;
    bool version = false;
    /// Set when the arguments cannot be used; the text says why.
    QString error;

    friend bool operator==(const LaunchOptions &, const LaunchOptions &) = default;

    /// `arguments` without the program name.
    static LaunchOptions parse(const QStringList &arguments);
    static QString usage();
};
