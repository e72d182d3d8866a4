#pragma once

#include <QString>

#include <optional>

class QWindow;

/// A plain description of one window, enough to rank it.
struct MainWindowCandidate
{
    std::optional<QString> identifier;
    bool isPanel = false;
    bool canBecomeMain = false;
    bool isVisible = false;
    bool isMiniaturized = false;

    /// Identifier from the window's object name (absent when empty), panel
    /// for a tool window, can become main for a normal top-level window.
    static MainWindowCandidate fromWindow(const QWindow &window);

    bool operator==(const MainWindowCandidate &) const = default;
};
