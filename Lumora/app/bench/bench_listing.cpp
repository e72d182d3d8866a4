// How much decoding the full resource listing costs on top of parsing its
// JSON, on a listing the simulator serves for a Bridge Pro home. Prints
// "RESULT name value" lines.
// Run: build-bench/Lumora/app/bench/lumora-bench-listing [rounds]
#include "BenchSupport.h"
#include "BridgeSimulator.h"
#include "HueResource.h"
#include "LossyArray.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace BenchSupport;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(3, QString::fromLocal8Bit(argv[1]).toInt()) : 15;

    // A full Bridge Pro, its scenes given more actions until the listing
    // weighs the 1.5 MB a well-used bridge sends.
    BridgeSimulator sim;
    SimHomeSize size = SimHomeSize::bridgePro();
    QByteArray listing;
    for (; size.actionsPerScene <= 40; ++size.actionsPerScene) {
        sim.generateHome(size);
        listing = QJsonDocument(QJsonObject{{u"errors"_s, QJsonArray{}}, {u"data"_s, sim.resources()}})
                      .toJson(QJsonDocument::Compact);
        if (listing.size() >= 1'500'000)
            break;
    }

    QList<double> parse;
    QList<double> decode;
    qsizetype decoded = 0;
    // Interleaved, so that a busy spell of the machine hits both alike.
    for (int round = 0; round < rounds; ++round) {
        qint64 before = threadCpuNanoseconds();
        {
            const QJsonDocument document = QJsonDocument::fromJson(listing);
            if (!document.isObject())
                return 1;
        }
        parse.append((threadCpuNanoseconds() - before) / 1e6);

        before = threadCpuNanoseconds();
        {
            const QJsonDocument document = QJsonDocument::fromJson(listing);
            const auto resources = LossyArray<HueResource>::fromJson(document.object().value("data"_L1));
            decoded = resources ? resources->elements.size() : 0;
        }
        decode.append((threadCpuNanoseconds() - before) / 1e6);
    }
    std::printf("RESULT listing_bytes %lld\n", static_cast<long long>(listing.size()));
    std::printf("RESULT listing_resources %lld\n", static_cast<long long>(decoded));
    std::printf("RESULT listing_parse_ms %.2f\n", median(parse));
    std::printf("RESULT listing_parse_decode_ms %.2f\n", median(decode));
    std::printf("RESULT listing_ratio %.2f\n", median(decode) / std::max(median(parse), 1e-9));
    return decoded > 0 ? 0 : 1;
}
