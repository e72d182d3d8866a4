#pragma once

#include "HueHelp.h"
#include "HueRGB.h"

#include <QString>
#include <QStringList>

#include <optional>

/// The command line of lumora-ctl, checked: the command, its positional
/// arguments and every option. parse() throws `CtlFailure` (usage) for
/// anything it cannot accept, so the commands only ever see valid values.
struct CtlArguments
{
    QString command;
    /// The words after the command (a name, an action, a scene name).
    QStringList positional;

    // Global options.
    std::optional<QString> host;
    std::optional<QString> bridgeID;
    std::optional<QString> key;
    std::optional<QString> trustAnchor;
    std::optional<quint16> port;
    bool json = false;

    // Options of single commands.
    std::optional<double> timeoutSeconds;
    bool printKey = false;
    std::optional<double> brightness;
    std::optional<HueRGB> color;
    std::optional<int> mirek;
    std::optional<QString> group;

    bool helpRequested = false;
    bool versionRequested = false;

    /// `arguments` as QCoreApplication::arguments() gives them (program first).
    static CtlArguments parse(const QStringList &arguments);

    /// "#RRGGBB" (the "#" may be left out) as a screen colour.
    static std::optional<HueRGB> parseColor(const QString &text);

    /// The help text.
    static QString usage() { return helpTable().text(); }
    /// The commands and options as --help and the manual page list them.
    static const HueHelp &helpTable();
};
