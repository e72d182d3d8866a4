#pragma once

#include "MainWindowCandidate.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QWindow;

/// Which of the application's windows is the main window, and bringing it to
/// the front when a second launch asks for it.
namespace MainWindowSelection {

/// The object name of the main window; "main-…" names further main windows.
inline const QString mainWindowID = QStringLiteral("main");

/// The ranking: among eligible windows (not a panel, can become main, named
/// "main" or "main-…" and nothing with "settings" in any letter case), the
/// first visible one, else the first minimised one, else the first one.
std::optional<qsizetype> index(const QList<MainWindowCandidate> &candidates);

/// Main thread only: ranks the application's top-level windows and reveals
/// the winner; without one, runs reopen when given.
void bringForward(const std::function<void()> &reopen = {});

/// Restores a minimised window, shows it, raises it and asks for activation.
void reveal(QWindow &window);

} // namespace MainWindowSelection
