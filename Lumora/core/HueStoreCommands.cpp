// The user's changes: shown at once through the editable home, held against
// the bridge's stale reports, and sent through the coalescer or one-shot tasks.
#include "HueFailure.h"
#include "HueStore.h"
#include "HueText.h"

#include <QTextBoundaryFinder>

using namespace Qt::StringLiterals;

void HueStore::runCommand(Request request, bool reloadAfterwards)
{
    applyOutcome(this, std::move(request), reloadAfterwards, m_lifetime);
}

QCoro::Task<void> HueStore::applyOutcome(QPointer<HueStore> self, Request request, bool reloadAfterwards,
                                         HueCancellationToken token)
{
    if (!self || !self->m_client)
        co_return;
    const HueBridgeClient client = *self->m_client;
    const std::optional<PairedBridge> bridge = self->m_bridge;
    std::exception_ptr failure;
    try {
        co_await request(client, token);
    } catch (...) {
        failure = std::current_exception();
    }
    // An answer for a bridge that was forgotten or replaced meanwhile is not
    // this connection's: it must neither report nor forget anything.
    if (!self || token.isCancelled() || !self->owns(client, bridge))
        co_return;
    if (!failure) {
        self->setCommandError(std::nullopt);
    } else {
        const HueFailure classified = HueFailure::classify(failure);
        if (classified.kind() == HueFailure::Kind::unauthorized) {
            self->forgetBridge();
            co_return;
        }
        self->setCommandError(classified.description());
        Q_EMIT self->commandFailed();
        // Show the bridge's real state again once the holds have ended.
        co_await reloadIgnoringFailure(self, client, token);
        if (!self)
            co_return;
    }
    if (reloadAfterwards && self->m_client)
        co_await reloadIgnoringFailure(self, *self->m_client, token);
}

void HueStore::setLight(const QString &lightID, const HueLightCommand &command)
{
    m_editable.applyLocallyToLight(command, lightID, now());
    Q_EMIT homeChanged();
    scheduleRelease();
    QPointer<HueStore> self(this);
    m_coalescer->submit(command, lightID, lightSpacing, [self, lightID](HueLightCommand merged) {
        return applyOutcome(
            self,
            [merged, lightID](HueBridgeClient client, HueCancellationToken token) {
                return client.sendToLight(merged, lightID, token);
            },
            false, self ? self->m_lifetime : HueCancellationToken());
    });
}

void HueStore::setGroup(const HueGroup &group, const HueLightCommand &command)
{
    if (!group.groupedLightID)
        return;
    const QString groupedLightID = *group.groupedLightID;
    m_editable.applyLocallyToGroupedLight(command, groupedLightID, now());
    Q_EMIT homeChanged();
    scheduleRelease();
    QPointer<HueStore> self(this);
    m_coalescer->submit(command, groupedLightID, groupSpacing, [self, groupedLightID](HueLightCommand merged) {
        return applyOutcome(
            self,
            [merged, groupedLightID](HueBridgeClient client, HueCancellationToken token) {
                return client.sendToGroupedLight(merged, groupedLightID, token);
            },
            false, self ? self->m_lifetime : HueCancellationToken());
    });
}

void HueStore::recall(const HueScene &scene)
{
    m_editable.applyLocallyScene(scene.id, now());
    Q_EMIT homeChanged();
    scheduleRelease();
    runCommand(
        [id = scene.id](HueBridgeClient client, HueCancellationToken token) { return client.recallScene(id, token); });
}

void HueStore::overwriteScene(const HueScene &scene)
{
    const QList<HueSceneAction> actions = home().currentLightAsSceneActions(scene.groupID);
    if (actions.isEmpty())
        return;
    runCommand([id = scene.id, actions](HueBridgeClient client,
                                        HueCancellationToken token) { return client.updateScene(id, actions, token); },
               true);
}

void HueStore::deleteScene(const HueScene &scene)
{
    runCommand(
        [id = scene.id](HueBridgeClient client, HueCancellationToken token) { return client.deleteScene(id, token); },
        true);
}

std::optional<QString> HueStore::sceneName(const QString &raw)
{
    const QString trimmed = raw.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    // Count what a reader sees as characters: an emoji or a letter with a
    // combining accent is one, however many code units it takes.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, trimmed);
    int count = 0;
    while (graphemes.toNextBoundary() != -1) {
        if (++count > sceneNameLimit)
            return std::nullopt;
    }
    return trimmed;
}

QCoro::Task<std::optional<QString>> HueStore::saveScene(QString name, HueGroup group)
{
    const auto cleaned = sceneName(name);
    if (!cleaned) {
        co_return HueText::tr(u"Der Name braucht 1 bis "_s + QString::number(sceneNameLimit) + u" Zeichen."_s,
                              u"The name needs 1 to "_s + QString::number(sceneNameLimit) + u" characters."_s);
    }
    const auto owner = group.sceneOwner();
    if (!m_client || !owner)
        co_return HueText::tr(u"Keine Verbindung zur Bridge."_s, u"No connection to the bridge."_s);
    const QList<HueSceneAction> actions = home().currentLightAsSceneActions(group.id);
    if (actions.isEmpty()) {
        co_return HueText::tr(u"In "_s + group.name + u" gibt es keine Lampen."_s,
                              u"There are no lights in "_s + group.name + u"."_s);
    }

    QPointer<HueStore> self(this);
    const HueBridgeClient client = *m_client;
    const std::optional<PairedBridge> bridge = m_bridge;
    const HueCancellationToken token = m_lifetime;
    std::exception_ptr failure;
    try {
        co_await client.createScene(*cleaned, *owner, actions, token);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        const HueFailure classified = HueFailure::classify(failure);
        if (classified.kind() == HueFailure::Kind::unauthorized && self && self->owns(client, bridge))
            self->forgetBridge();
        co_return classified.description();
    }
    if (self)
        co_await reloadIgnoringFailure(self, client, token);
    co_return std::nullopt;
}

void HueStore::scheduleRelease()
{
    m_releaseTask.cancel();
    const auto earliest = m_editable.nextRelease();
    if (!earliest)
        return;
    const auto wait = std::max(std::chrono::duration_cast<Duration>(*earliest - now()), Duration(0));
    const HueCancellationToken token = m_releaseTask.start();
    releaseAfter(this, wait + releaseMargin, token);
}

QCoro::Task<void> HueStore::releaseAfter(QPointer<HueStore> self, Duration delay, HueCancellationToken token)
{
    co_await sleepQuietly(token, delay);
    if (!self || token.isCancelled())
        co_return;
    self->m_releaseTask.finish(token);
    self->m_editable.releaseExpired(now());
    Q_EMIT self->homeChanged();
    self->scheduleRelease();
}
