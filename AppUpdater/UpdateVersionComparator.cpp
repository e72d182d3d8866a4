#include "UpdateVersionComparator.h"

#include <QList>

namespace UpdateVersionComparator {

namespace {

enum class Kind { number, letters, separator };

struct Part
{
    Kind kind;
    QStringView text;
};

Kind kindOf(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return Kind::number;
    if (c.isLetter())
        return Kind::letters;
    return Kind::separator;
}

QList<Part> split(const QString &version)
{
    QList<Part> parts;
    qsizetype start = 0;
    while (start < version.size()) {
        const Kind kind = kindOf(version.at(start));
        qsizetype end = start + 1;
        // Every separator character is its own part.
        while (kind != Kind::separator && end < version.size() && kindOf(version.at(end)) == kind)
            ++end;
        parts.append({kind, QStringView(version).mid(start, end - start)});
        start = end;
    }
    return parts;
}

int compareNumbers(QStringView a, QStringView b)
{
    // Digit strings of any length: drop leading zeros, then longer is bigger.
    while (a.size() > 1 && a.front() == u'0')
        a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

int compare(const QString &a, const QString &b)
{
    const QList<Part> left = split(a);
    const QList<Part> right = split(b);
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Part &l = left.at(i);
        const Part &r = right.at(i);
        if (l.kind == r.kind) {
            if (l.kind == Kind::number) {
                if (const int result = compareNumbers(l.text, r.text))
                    return result;
            } else if (l.kind == Kind::letters) {
                if (const int result = sign(l.text.compare(r.text)))
                    return result;
            }
            continue;
        }
        // Different kinds: a number is newer than letters or a separator,
        // and a separator (more numbers follow) is newer than letters.
        if (l.kind == Kind::number)
            return 1;
        if (r.kind == Kind::number)
            return -1;
        return l.kind == Kind::separator ? 1 : -1;
    }
    if (left.size() == right.size())
        return 0;
    // The longer one continues: letters make it a pre-release (older),
    // anything else a later release.
    if (left.size() > right.size())
        return left.at(common).kind == Kind::letters ? -1 : 1;
    return right.at(common).kind == Kind::letters ? 1 : -1;
}

} // namespace UpdateVersionComparator
