#include "HueHelp.h"

#include "HueText.h"

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

/// Terms longer than this put their text on a line of its own, so that one
/// long command does not push every description to the right.
constexpr qsizetype widestColumn = 34;

/// Roff reads a leading dot or apostrophe as a request and a backslash as an
/// escape; hyphens in options must stay minus signs that can be copied.
QString roff(QString text)
{
    text.replace(u'\\', u"\\e"_s);
    text.replace(u'-', u"\\-"_s);
    QStringList lines = text.split(u'\n');
    for (QString &line : lines) {
        if (line.startsWith(u'.') || line.startsWith(u'\''))
            line.prepend(u"\\&"_s);
    }
    return lines.join(u'\n');
}

} // namespace

QString HueHelp::text() const
{
    return text(HueText::usesGerman());
}

QString HueHelp::text(bool german) const
{
    QString out = (german ? u"Aufruf: "_s : u"Usage: "_s) + program + u' ' + synopsis.in(german) + u'\n';
    for (const Section &section : sections) {
        out += u'\n';
        if (!section.title.in(german).isEmpty())
            out += section.title.in(german) + u":\n"_s;
        qsizetype column = 0;
        for (const Entry &entry : section.entries) {
            const qsizetype length = entry.term.in(german).size();
            if (length <= widestColumn)
                column = std::max(column, length);
        }
        for (const Entry &entry : section.entries) {
            const QString term = entry.term.in(german);
            const QString what = entry.text.in(german);
            out += u"  "_s + term;
            if (what.isEmpty())
                out += u'\n';
            else if (term.size() > widestColumn)
                out += u'\n' + QString(column + 4, u' ') + what + u'\n';
            else
                out += QString(column - term.size() + 2, u' ') + what + u'\n';
        }
    }
    if (!exitStatus.in(german).isEmpty())
        out += u'\n' + exitStatus.in(german) + u'\n';
    return out;
}

QString HueHelp::manPage(bool german, const QString &version, const QString &date) const
{
    QString out = u".TH "_s + program.toUpper() + u" 1 \""_s + date + u"\" \"Lumora "_s + version + u"\" \""_s
                  + (german ? u"Benutzerbefehle"_s : u"User Commands"_s) + u"\"\n"_s;
    out += u".SH NAME\n"_s + roff(program) + u" \\- "_s + roff(summary.in(german)) + u'\n';
    out += u".SH "_s + (german ? u"ÜBERSICHT"_s : u"SYNOPSIS"_s) + u"\n.B "_s + roff(program) + u'\n'
           + roff(synopsis.in(german)) + u'\n';
    for (const Section &section : sections) {
        const QString title = section.title.in(german);
        out += u".SH "_s + (title.isEmpty() ? (german ? u"OPTIONEN"_s : u"OPTIONS"_s) : roff(title.toUpper())) + u'\n';
        for (const Entry &entry : section.entries) {
            out += u".TP\n.B "_s + roff(entry.term.in(german)) + u'\n';
            if (!entry.text.in(german).isEmpty())
                out += roff(entry.text.in(german)) + u'\n';
        }
    }
    if (!exitStatus.in(german).isEmpty())
        out +=
            u".SH "_s + (german ? u"RÜCKGABEWERT"_s : u"EXIT STATUS"_s) + u'\n' + roff(exitStatus.in(german)) + u'\n';
    return out;
}
