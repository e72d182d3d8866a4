#include "CellContent.h"

#include <QJSValueIterator>
#include <QMetaProperty>
#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlInfo>
#include <QQuickItem>

namespace {

/// Copies the roles of a row that change into the content's properties of the
/// same names. A child of the content, so that it ends with it.
class RowFollower : public QObject
{
    Q_OBJECT

public:
    RowFollower(QObject *row, QObject *content)
        : QObject(content)
        , m_row(row)
    {
    }

    void follow(const QMetaProperty &role, const QMetaProperty &property)
    {
        static const int slot = staticMetaObject.indexOfSlot("roleChanged()");
        m_links.append({role, property});
        QMetaObject::connect(m_row, role.notifySignalIndex(), this, slot);
    }

public Q_SLOTS:
    void roleChanged()
    {
        const int signal = senderSignalIndex();
        if (!m_row)
            return;
        for (const auto &[role, property] : std::as_const(m_links)) {
            if (role.notifySignalIndex() == signal)
                property.write(parent(), role.read(m_row));
        }
    }

private:
    QPointer<QObject> m_row;
    QList<std::pair<QMetaProperty, QMetaProperty>> m_links;
};

} // namespace

QQuickItem *CellContent::make(QQmlComponent *component, QQuickItem *parent, const QJSValue &row)
{
    if (!component || !parent)
        return nullptr;
    QObject *object = component->beginCreate(component->creationContext());
    if (!object) {
        qmlWarning(parent, component->errors());
        return nullptr;
    }
    const QMetaObject *content = object->metaObject();
    QVariantMap initial;
    if (QObject *model = row.toQObject()) {
        // The roles are the model object's properties after QObject's own.
        const QMetaObject *roles = model->metaObject();
        RowFollower *follower = nullptr;
        for (int i = QObject::staticMetaObject.propertyCount(); i < roles->propertyCount(); ++i) {
            const QMetaProperty role = roles->property(i);
            const int property = content->indexOfProperty(role.name());
            if (property < 0)
                continue;
            initial.insert(QString::fromLatin1(role.name()), role.read(model));
            if (role.hasNotifySignal()) {
                if (!follower)
                    follower = new RowFollower(model, object);
                follower->follow(role, content->property(property));
            }
        }
    } else {
        QJSValueIterator member(row);
        while (member.hasNext()) {
            member.next();
            if (content->indexOfProperty(member.name().toUtf8().constData()) >= 0)
                initial.insert(member.name(), member.value().toVariant());
        }
    }
    component->setInitialProperties(object, initial);
    // Like Component.createObject(parent): owned by the parent, in its scene.
    QQmlEngine::setObjectOwnership(object, QQmlEngine::CppOwnership);
    object->setParent(parent);
    auto *item = qobject_cast<QQuickItem *>(object);
    if (item)
        item->setParentItem(parent);
    component->completeCreate();
    if (!item || component->isError()) {
        qmlWarning(parent, component->errors());
        delete object;
        return nullptr;
    }
    return item;
}

#include "CellContent.moc"
