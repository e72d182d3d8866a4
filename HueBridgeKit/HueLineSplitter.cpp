#include "HueLineSplitter.h"

namespace {

// The length of the line break starting at `i`: 0 for none, -1 when the bytes
// so far could still become a multi-byte break (NEL, LS, PS) and more are needed.
int breakLength(const char *data, qsizetype size, qsizetype i)
{
    const auto byte = uchar(data[i]);
    switch (byte) {
    case '\n':
    case '\r':
    case 0x0B: // vertical tab
    case 0x0C: // form feed
        return 1;
    case 0xC2: // U+0085 NEL = C2 85
        if (i + 1 >= size)
            return -1;
        return uchar(data[i + 1]) == 0x85 ? 2 : 0;
    case 0xE2: // U+2028 LS = E2 80 A8, U+2029 PS = E2 80 A9
        if (i + 1 >= size)
            return -1;
        if (uchar(data[i + 1]) != 0x80)
            return 0;
        if (i + 2 >= size)
            return -1;
        return (uchar(data[i + 2]) == 0xA8 || uchar(data[i + 2]) == 0xA9) ? 3 : 0;
    default:
        return 0;
    }
}

} // namespace

HueLineSplitter::HueLineSplitter(qint64 maximumLineSize)
    : m_maximum(maximumLineSize)
{
}

QStringList HueLineSplitter::feed(QByteArrayView bytes)
{
    QStringList lines;
    m_pending.append(bytes);
    const char *data = m_pending.constData();
    const qsizetype size = m_pending.size();
    qsizetype start = 0;
    qsizetype i = m_scanned;
    while (i < size) {
        const int length = breakLength(data, size, i);
        if (length < 0)
            break;
        if (length == 0) {
            ++i;
            continue;
        }
        deliver(lines, QByteArrayView(data + start, i - start));
        i += length;
        start = i;
    }
    m_pending.remove(0, start);
    m_scanned = i - start;
    // The unfinished line has grown past the limit: forget what was scanned
    // of it (keeping only bytes that may begin a line break) and skip the rest
    // of it up to the next break.
    if (m_pending.size() > m_maximum) {
        if (!m_skipping)
            ++m_dropped;
        m_skipping = true;
        m_pending.remove(0, m_scanned);
        m_scanned = 0;
    }
    return lines;
}

QStringList HueLineSplitter::finish()
{
    QStringList lines;
    if (!m_pending.isEmpty())
        deliver(lines, m_pending);
    m_pending.clear();
    m_scanned = 0;
    m_skipping = false;
    return lines;
}

void HueLineSplitter::deliver(QStringList &out, QByteArrayView line)
{
    if (m_skipping) {
        m_skipping = false;
        return;
    }
    // A line that arrived whole in one read can still be too long.
    if (line.size() > m_maximum) {
        ++m_dropped;
        return;
    }
    if (!line.isEmpty())
        out.append(QString::fromUtf8(line));
}
