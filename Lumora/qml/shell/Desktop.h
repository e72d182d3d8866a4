#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <memory>

class QJSEngine;
class QQmlEngine;
class QSettings;

/// Lumora's place in the desktop as the window and the settings see it: the
/// tray icon (whether the desktop shows one, whether the user wants it) and
/// the start at login. The application owns it and acts on its signals.
class Desktop : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    /// Whether the desktop shows Lumora's tray icon right now.
    Q_PROPERTY(bool trayShown READ trayShown NOTIFY trayShownChanged)
    /// The user's choice; on by default.
    Q_PROPERTY(bool showsTray READ showsTray WRITE setShowsTray NOTIFY showsTrayChanged)
    /// Closing the main window leaves Lumora running in the tray.
    Q_PROPERTY(bool keepsRunning READ keepsRunning NOTIFY trayShownChanged)
    Q_PROPERTY(bool startsAtLogin READ startsAtLogin WRITE setStartsAtLogin NOTIFY startsAtLoginChanged)
    /// Why the last change of the start at login failed; empty otherwise.
    Q_PROPERTY(QString autostartError READ autostartError NOTIFY startsAtLoginChanged)

public:
    static constexpr auto showsTrayKey = "tray.shown";

    explicit Desktop(std::shared_ptr<QSettings> settings, QObject *parent = nullptr);
    ~Desktop() override;

    /// The object the next engine's `Desktop` singleton is; it must outlive
    /// that engine. Without one, a stand-in without tray is made.
    static void provide(Desktop *desktop);
    static Desktop *create(QQmlEngine *qmlEngine, QJSEngine *jsEngine);

    bool trayShown() const { return m_trayShown; }
    void setTrayShown(bool shown);
    bool showsTray() const;
    void setShowsTray(bool shows);
    bool keepsRunning() const { return m_trayShown; }
    bool startsAtLogin() const;
    void setStartsAtLogin(bool starts);
    QString autostartError() const { return m_autostartError; }

    /// The main window was closed while the tray keeps Lumora running.
    Q_INVOKABLE void closeToTray() { Q_EMIT closedToTray(); }
    /// Brings the main window up (reopened when it was closed).
    Q_INVOKABLE void openMainWindow() { Q_EMIT mainWindowRequested(); }

Q_SIGNALS:
    void trayShownChanged();
    void showsTrayChanged();
    void startsAtLoginChanged();
    void closedToTray();
    void mainWindowRequested();

private:
    std::shared_ptr<QSettings> m_settings;
    bool m_trayShown = false;
    QString m_autostartError;
};
