#include "SceneSaver.h"

void SceneSaver::save(const QString &name)
{
    if (m_saving || !m_store || !m_store->acceptsSceneName(name))
        return;
    m_saving = true;
    Q_EMIT savingChanged();
    run(this, m_store, name, m_groupId);
}

QCoro::Task<void> SceneSaver::run(QPointer<SceneSaver> self, QPointer<LumoraStore> store, QString name, QString groupId)
{
    if (!store)
        co_return;
    QCoro::Task<std::optional<QString>> saving = store->saveScene(std::move(name), std::move(groupId));
    const std::optional<QString> failure = co_await std::move(saving);
    if (self)
        self->finish(failure);
}

void SceneSaver::finish(const std::optional<QString> &failure)
{
    const QString message = failure.value_or(QString());
    if (message != m_failure) {
        m_failure = message;
        Q_EMIT failureChanged();
    }
    m_saving = false;
    Q_EMIT savingChanged();
    if (!failure)
        Q_EMIT saved();
}
