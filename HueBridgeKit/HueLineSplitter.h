#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// Cuts a UTF-8 byte stream into text lines as they arrive. A line ends at LF,
/// CR, CR LF, vertical tab, form feed, NEL (U+0085), LS (U+2028) or PS
/// (U+2029); the break is not part of the line, empty lines are not
/// delivered, and a last line without a break is delivered by `finish()`.
/// Invalid UTF-8 becomes U+FFFD. A line longer than `maximumLineSize` bytes
/// is dropped whole, so that a peer that never ends a line cannot exhaust memory.
class HueLineSplitter
{
public:
    explicit HueLineSplitter(qint64 maximumLineSize = 16 * 1024 * 1024);

    /// The lines completed by `bytes`.
    QStringList feed(QByteArrayView bytes);
    /// The unterminated last line, if any; the splitter is then empty.
    QStringList finish();

    /// How many overlong lines were dropped so far.
    int droppedLines() const { return m_dropped; }

private:
    void deliver(QStringList &out, QByteArrayView line);

    qint64 m_maximum;
    QByteArray m_pending;
    qsizetype m_scanned = 0;
    bool m_skipping = false;
    int m_dropped = 0;
};
