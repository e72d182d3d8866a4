#include "MainWindowSelection.h"

#include <QGuiApplication>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace MainWindowSelection {

namespace {

bool isEligible(const MainWindowCandidate &candidate)
{
    if (candidate.isPanel || !candidate.identifier || !candidate.canBecomeMain)
        return false;
    const QString &identifier = *candidate.identifier;
    if (identifier.contains(u"settings"_s, Qt::CaseInsensitive))
        return false;
    return identifier == mainWindowID || identifier.startsWith(mainWindowID + u"-"_s);
}

} // namespace

std::optional<qsizetype> index(const QList<MainWindowCandidate> &candidates)
{
    QList<qsizetype> eligible;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        if (isEligible(candidates.at(i)))
            eligible.append(i);
    }
    for (const qsizetype i : std::as_const(eligible)) {
        if (candidates.at(i).isVisible && !candidates.at(i).isMiniaturized)
            return i;
    }
    for (const qsizetype i : std::as_const(eligible)) {
        if (candidates.at(i).isMiniaturized)
            return i;
    }
    if (!eligible.isEmpty())
        return eligible.first();
    return std::nullopt;
}

void bringForward(const std::function<void()> &reopen)
{
    const QWindowList windows = QGuiApplication::topLevelWindows();
    QList<MainWindowCandidate> candidates;
    candidates.reserve(windows.size());
    for (const QWindow *window : windows)
        candidates.append(MainWindowCandidate::fromWindow(*window));
    if (const std::optional<qsizetype> winner = index(candidates)) {
        reveal(*windows.at(*winner));
        return;
    }
    if (reopen)
        reopen();
}

void reveal(QWindow &window)
{
    const Qt::WindowStates states = window.windowStates();
    if (states.testFlag(Qt::WindowMinimized))
        window.setWindowStates(states & ~Qt::WindowMinimized);
    if (!window.isVisible())
        window.show();
    window.raise();
    window.requestActivate();
}

} // namespace MainWindowSelection
