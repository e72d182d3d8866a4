#pragma once

#include <QByteArray>
#include <QSslCertificate>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

/// The HTTPS session of a bridge client: one network access manager that
/// persists nothing (no disk cache, no cookies, no credentials), follows no
/// redirects, and whose only server-trust decision is `HueBridgeTrust`'s.
/// Copies of a client share their session; it lives on the thread that created it.
class HueBridgeSession
{
public:
    struct Options
    {
        /// The bridge the server must be; absent during first pairing, when
        /// any server chaining to the anchor is accepted.
        std::optional<QString> expectedBridgeID;
        /// The one trust anchor; absent means the embedded bridge root. Only
        /// code that builds a client sets another (tests, an explicit option
        /// of a command-line tool); the application never does.
        std::optional<QSslCertificate> trustAnchor;
        /// The TCP port to connect to. A bridge always listens on the HTTPS
        /// default, so the application leaves this empty and URLs carry no
        /// port; tests and tools that talk to a simulator on loopback set it.
        std::optional<quint16> port;
        /// Timeout of every ordinary request.
        std::chrono::milliseconds requestTimeout{std::chrono::seconds(8)};
        /// Idle time after which the event stream gives up.
        std::chrono::milliseconds streamIdleTimeout{std::chrono::hours(6)};
        /// Largest answer body read into memory; a larger one is dropped and
        /// ends in `invalidResponse`.
        qint64 maximumAnswerSize = 64 * 1024 * 1024;
        /// Longest single event-stream line; a longer one is skipped.
        qint64 maximumStreamLineSize = 16 * 1024 * 1024;
    };

    static std::shared_ptr<HueBridgeSession> create(Options options);
    ~HueBridgeSession();

    HueBridgeSession(const HueBridgeSession &) = delete;
    HueBridgeSession &operator=(const HueBridgeSession &) = delete;

    const Options &options() const { return m_options; }
    QNetworkAccessManager *manager() const { return m_manager.get(); }

    /// Gives `request` the session's TLS configuration: the anchor as the only
    /// CA certificate and the expected bridge id as the name to verify.
    void configure(QNetworkRequest &request) const;

    /// Starts `request` with `verb` (and `body`, if any); the reply belongs to
    /// the caller. The server is trusted only when `HueBridgeTrust` says so,
    /// decided before any byte of the request leaves.
    QNetworkReply *send(const QNetworkRequest &request, const QByteArray &verb,
                        const std::optional<QByteArray> &body = std::nullopt) const;

private:
    explicit HueBridgeSession(Options options);

    Options m_options;
    std::optional<QSslCertificate> m_anchor;
    std::unique_ptr<QNetworkAccessManager> m_manager;
};
