#pragma once

#include <QList>
#include <QString>

/// A program's command-line help as data: what `--help` prints and what the
/// manual page says come from the same table, so the two never disagree.
/// Every text is a German/English pair, like the rest of the user's texts.
struct HueHelp
{
    struct Words
    {
        QString german;
        QString english;
        QString in(bool german) const { return german ? this->german : english; }
    };
    /// An option or a command with its arguments, and what it does.
    struct Entry
    {
        Words term;
        Words text;
    };
    struct Section
    {
        /// Empty for the options right below the synopsis.
        Words title;
        QList<Entry> entries;
    };

    QString program;
    /// One line: what the program is (the manual page's NAME).
    Words summary;
    /// The arguments after the program's name.
    Words synopsis;
    QList<Section> sections;
    /// What the exit statuses mean, a closing paragraph; may be empty.
    Words exitStatus;

    /// The terminal help in the user's language.
    QString text() const;
    QString text(bool german) const;
    /// The manual page (roff, man(7) macros).
    QString manPage(bool german, const QString &version, const QString &date) const;
};
