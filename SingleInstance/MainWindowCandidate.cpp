#include "MainWindowCandidate.h"

#include <QWindow>

MainWindowCandidate MainWindowCandidate::fromWindow(const QWindow &window)
{
    MainWindowCandidate candidate;
    const QString name = window.objectName();
    if (!name.isEmpty())
        candidate.identifier = name;
    const Qt::WindowType type = window.type();
    candidate.isPanel = type == Qt::Tool;
    candidate.canBecomeMain = type == Qt::Window && window.transientParent() == nullptr;
    candidate.isMiniaturized = window.windowStates().testFlag(Qt::WindowMinimized);
    candidate.isVisible = window.isVisible() && !candidate.isMiniaturized;
    return candidate;
}
