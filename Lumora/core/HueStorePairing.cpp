// Finding a bridge and pairing with it by its link button.
#include "HueBridgeError.h"
#include "HueFailure.h"
#include "HueStore.h"
#include "HueText.h"
#include "PlatformWords.h"

using namespace Qt::StringLiterals;

void HueStore::searchBridges()
{
    // A pairing that waits for the button is never interrupted by a search.
    if (m_pairingStep.kind == PairingStep::Kind::waitingForButton)
        return;
    setPairingStep(PairingStep::searching());
    const HueCancellationToken token = m_pairingTask.start();
    search(this, token);
}

QCoro::Task<void> HueStore::search(QPointer<HueStore> self, HueCancellationToken token)
{
    while (self && !token.isCancelled()) {
        QList<DiscoveredBridge> found;
        try {
            found = co_await self->m_environment.discover();
        } catch (...) {
            found.clear();
        }
        if (!self || token.isCancelled())
            co_return;
        self->setDiscoveredBridges(found);
        self->setPairingStep(PairingStep::idle());
        if (!found.isEmpty()) {
            self->m_pairingTask.finish(token);
            co_return;
        }
        co_await sleepQuietly(token, self->m_environment.searchRetryDelay);
    }
}

void HueStore::pair(const QString &host)
{
    // Only spaces and tabs: an address never holds them, but line breaks
    // would be a different kind of input mistake that we leave visible.
    qsizetype begin = 0;
    qsizetype end = host.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(host.at(begin)))
        ++begin;
    while (end > begin && blank(host.at(end - 1)))
        --end;
    const QString trimmed = host.mid(begin, end - begin);
    if (trimmed.isEmpty())
        return;
    setPairingStep(PairingStep::waitingForButton());
    const HueCancellationToken token = m_pairingTask.start();
    pairWith(this, trimmed, token);
}

QCoro::Task<void> HueStore::pairWith(QPointer<HueStore> self, QString host, HueCancellationToken token)
{
    if (!self)
        co_return;
    const Environment environment = self->m_environment;
    std::exception_ptr failure;
    HueBridgeConfig config;
    QString key;
    try {
        const HueBridgeClient probe = environment.makeClient(host, std::nullopt, std::nullopt);
        config = co_await probe.config(token);
        // From here on the TLS check expects this very bridge.
        const HueBridgeClient pairing = environment.makeClient(host, config.bridgeID, std::nullopt);
        key = co_await waitForKey(pairing, deviceType(environment.deviceName()), environment.linkButtonPause, token);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;

    if (failure) {
        const HueFailure classified = HueFailure::classify(failure);
        if (classified.kind() == HueFailure::Kind::cancelled)
            co_return;
        if (classified.kind() == HueFailure::Kind::linkButtonNotPressed) {
            self->setPairingStep(PairingStep::failed(
                HueText::tr(u"Der Knopf wurde nicht rechtzeitig gedrückt. Bitte noch einmal versuchen."_s,
                            u"The button was not pressed in time. Please try again."_s)));
            self->m_pairingTask.finish(token);
            co_return;
        }
        if (token.isCancelled())
            co_return;
        const QString description = classified.description();
        self->setPairingStep(PairingStep::failed(
            HueText::tr(u"Die Bridge unter "_s + host + u" ist nicht erreichbar. ("_s + description + u")"_s,
                        u"The bridge at "_s + host + u" cannot be reached. ("_s + description + u")"_s)));
        self->m_pairingTask.finish(token);
        co_return;
    }

    // Both writes succeed or neither stays: a record without its key, or a
    // key without its record, would only fail later.
    const PairedBridge bridge{config.bridgeID, config.name, host};
    QCoro::Task<PairedBridge::Stored> storing = PairedBridge::store(bridge, key, environment.keys, self->m_defaults);
    const PairedBridge::Stored stored = co_await storing;
    // A pairing that is stored is connected even when cancelled meanwhile:
    // the next start would connect it anyway.
    if (!self || (token.isCancelled() && stored != PairedBridge::Stored::saved))
        co_return;
    self->m_pairingTask.finish(token);
    switch (stored) {
    case PairedBridge::Stored::saved:
        self->setPairingStep(PairingStep::idle());
        self->connectTo(bridge, key);
        break;
    case PairedBridge::Stored::keyNotSaved:
        self->setPairingStep(PairingStep::failed(
            HueText::tr(PlatformWords::keySaveFailedGerman(), PlatformWords::keySaveFailedEnglish())));
        break;
    case PairedBridge::Stored::recordNotSaved:
        self->setPairingStep(
            PairingStep::failed(HueText::tr(u"Die Kopplung konnte nicht in den Einstellungen gespeichert werden."_s,
                                            u"The pairing could not be saved to the settings."_s)));
        break;
    }
}

QCoro::Task<QString> HueStore::waitForKey(HueBridgeClient client, QString deviceType, Duration pause,
                                          HueCancellationToken token)
{
    for (int attempt = 1;; ++attempt) {
        try {
            co_return co_await client.pair(deviceType, token);
        } catch (const HueBridgeError &error) {
            if (error.kind() != HueBridgeError::Kind::linkButtonNotPressed || attempt >= linkButtonAttempts)
                throw;
        }
        // An interrupted pause ends the wait with the cancellation.
        co_await token.sleep(pause);
    }
}

void HueStore::cancelPairing()
{
    m_pairingTask.cancel();
    setPairingStep(PairingStep::idle());
}

QString HueStore::deviceType(const QString &name)
{
    QString kept;
    const QList<uint> scalars = name.toUcs4();
    for (const uint scalar : scalars) {
        if (kept.size() >= 19)
            break;
        if (scalar >= 32 && scalar <= 127 && scalar != u'#')
            kept.append(QChar(char16_t(scalar)));
    }
    if (kept.isEmpty())
        kept = PlatformWords::fallbackDeviceName();
    return u"lumora#"_s + kept;
}
