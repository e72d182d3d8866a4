// Feeds arbitrary bytes through the event-stream reader as the network would:
// cut into pieces at input-chosen points, split into lines with a small line
// limit, and every line through the line parser.
#include "HueEventStreamParser.h"
#include "HueLineSplitter.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the read size and the line limit.
    const qsizetype piece = 1 + data[0] % 31;
    const qint64 limit = 64 + qint64(data[0]) * 16;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    HueLineSplitter splitter(limit);
    QStringList lines;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        lines += splitter.feed(bytes.sliced(at, std::min(piece, bytes.size() - at)));
    lines += splitter.finish();

    for (const QString &line : std::as_const(lines)) {
        if (line.isEmpty() || line.size() > limit)
            __builtin_trap(); // the splitter never delivers empty or overlong lines
        if (auto events = HueEventStreamParser::events(line)) {
            if (events->isEmpty())
                __builtin_trap(); // a result is never an empty batch
        }
    }
    // The whole input as one line, too.
    (void)HueEventStreamParser::events(QString::fromUtf8(bytes));
    return 0;
}
