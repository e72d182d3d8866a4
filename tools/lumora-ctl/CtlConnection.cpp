#include "CtlConnection.h"

#include "BridgeKeyStore.h"
#include "CtlFailure.h"
#include "CtlFormat.h"
#include "HueCancelledError.h"
#include "HueText.h"
#include "PairedBridge.h"

#include <QFile>
#include <QSslCertificate>

using namespace Qt::StringLiterals;

namespace {

std::optional<QSslCertificate> trustAnchor(const CtlArguments &arguments)
{
    if (!arguments.trustAnchor)
        return std::nullopt;
    const QString path = *arguments.trustAnchor;
    QFile file(path);
    QList<QSslCertificate> certificates;
    if (file.open(QIODevice::ReadOnly))
        certificates = QSslCertificate::fromData(file.read(1024 * 1024), QSsl::Pem);
    if (certificates.isEmpty() || certificates.first().isNull()) {
        throw CtlFailure::usage(HueText::tr(u"Die Datei „"_s + path + u"“ enthält kein lesbares Zertifikat (PEM)."_s,
                                            u"The file “"_s + path + u"” holds no readable certificate (PEM)."_s));
    }
    return certificates.first();
}

QString &lastHostStorage()
{
    static QString host;
    return host;
}

} // namespace

QString CtlConnection::lastHost()
{
    return lastHostStorage();
}

std::shared_ptr<QSettings> CtlConnection::settings()
{
    return std::make_shared<QSettings>();
}

HueBridgeClient CtlConnection::makeClient(const CtlArguments &arguments, const QString &host,
                                          const std::optional<QString> &bridgeID, const std::optional<QString> &key)
{
    HueBridgeSession::Options options;
    options.expectedBridgeID = bridgeID;
    options.trustAnchor = trustAnchor(arguments);
    options.port = arguments.port;
    return HueBridgeClient(host, key, HueBridgeSession::create(std::move(options)));
}

QCoro::Task<CtlConnection> CtlConnection::open(CtlArguments arguments, bool needsKey, HueCancellationToken cancel)
{
    const std::optional<PairedBridge> stored = PairedBridge::load(*settings());
    // The stored pairing counts for the host it names; another --host is
    // another bridge unless --bridge-id says otherwise.
    const bool storedApplies = stored && (!arguments.host || arguments.host == stored->host);
    const std::optional<QString> host = arguments.host ? arguments.host
                                        : stored       ? std::optional<QString>(stored->host)
                                                       : std::nullopt;
    if (!host) {
        throw CtlFailure(CtlExit::notPaired,
                         HueText::tr(u"Es ist keine Bridge gekoppelt. Zuerst koppeln: lumora-ctl pair HOST"_s,
                                     u"No bridge is paired. Pair one first: lumora-ctl pair HOST"_s));
    }
    lastHostStorage() = *host;
    trustAnchor(arguments); // an unreadable file is a usage error before any traffic

    std::optional<QString> bridgeID = arguments.bridgeID;
    if (!bridgeID && storedApplies)
        bridgeID = stored->bridgeID;
    // The credential store keeps the id as the bridge spelt it.
    if (bridgeID && stored && bridgeID->compare(stored->bridgeID, Qt::CaseInsensitive) == 0)
        bridgeID = stored->bridgeID;
    QString name = storedApplies ? stored->name : QString();
    if (!bridgeID) {
        // As when pairing: any bridge that chains to the anchor may tell us
        // its id, and from then on only that bridge is accepted.
        HueBridgeConfig config;
        std::exception_ptr failure;
        try {
            config = co_await makeClient(arguments, *host, std::nullopt, std::nullopt).config(cancel);
        } catch (const HueCancelledError &) {
            throw;
        } catch (...) {
            failure = std::current_exception();
        }
        if (failure)
            throw CtlFailure::from(failure, *host);
        bridgeID = config.bridgeID;
        name = config.name;
    }
    if (stored && bridgeID->compare(stored->bridgeID, Qt::CaseInsensitive) == 0 && name.isEmpty())
        name = stored->name;

    std::optional<QString> key = arguments.key;
    if (!key && needsKey) {
        const BridgeKeyStore keys = BridgeKeyStore::keychain();
        key = co_await keys.load(*bridgeID);
        cancel.throwIfCancelled();
        if (!key) {
            // The id may come from the bridge, the address from the network.
            const QString id = CtlFormat::plain(*bridgeID);
            const QString shownHost = CtlFormat::plain(*host);
            throw CtlFailure(CtlExit::notPaired,
                             HueText::tr(u"Für die Bridge "_s + id
                                             + u" ist kein Schlüssel gespeichert. Zuerst koppeln: lumora-ctl pair "_s
                                             + shownHost,
                                         u"No key is stored for the bridge "_s + id
                                             + u". Pair it first: lumora-ctl pair "_s + shownHost));
        }
    }
    co_return CtlConnection{makeClient(arguments, *host, bridgeID, key), *host, *bridgeID,
                            name.isEmpty() ? *bridgeID : name};
}
