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

/// The HTTPS session of a bridge client: one network access manager
/// (`HueHttpManager`, whose reader keeps every part of an answer bounded) that
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
        /// Idle timeout of every ordinary request (it restarts with every
        /// byte of the answer), and the time the event stream's answer head
        /// may take.
        std::chrono::milliseconds requestTimeout{std::chrono::seconds(8)};
        /// Time after which an ordinary request ends however busily its peer
        /// sends: one byte every few seconds would keep the idle timeout
        /// from ever firing. The event stream has no such end.
        std::chrono::milliseconds requestDeadline{std::chrono::seconds(30)};
        /// Idle time after which the event stream gives up.
        std::chrono::milliseconds streamIdleTimeout{std::chrono::hours(6)};
        /// Largest answer body read into memory; a larger one is dropped and
        /// ends in `invalidResponse`. The full listing of a Bridge Pro with
        /// everything it supports is about 1.6 MB.
        qint64 maximumAnswerSize = 8 * 1024 * 1024;
        /// Longest single event-stream line; a longer one is skipped. A
        /// bridge sends at most one message a second, far below this.
        qint64 maximumStreamLineSize = 4 * 1024 * 1024;
    };

    /// What a reply keeps of an answer that has not been read yet. Without a
    /// bound, a peer that sends faster than this code reads grows it without
    /// limit; with it, the reply stops reading the connection until this code
    /// has taken what is there.
    static constexpr qint64 readBufferSize = 256 * 1024;

    static std::shared_ptr<HueBridgeSession> create(Options options);
    ~HueBridgeSession();

    HueBridgeSession(const HueBridgeSession &) = delete;
    HueBridgeSession &operator=(const HueBridgeSession &) = delete;

    const Options &options() const { return m_options; }
    QNetworkAccessManager *manager() const { return m_manager.get(); }

    /// Gives `request` the session's TLS configuration, under which Qt's own
    /// verification never passes, so that `HueBridgeTrust` judges every handshake.
    void configure(QNetworkRequest &request) const;

    /// Starts `request` with `verb` (and `body`, if any); the reply belongs to
    /// the caller, and keeps at most `readBufferSize` unread bytes. The server
    /// is trusted only when `HueBridgeTrust` says so, decided before any byte
    /// of the request leaves.
    QNetworkReply *send(const QNetworkRequest &request, const QByteArray &verb,
                        const std::optional<QByteArray> &body = std::nullopt) const;

private:
    explicit HueBridgeSession(Options options);

    Options m_options;
    std::unique_ptr<QNetworkAccessManager> m_manager;
};
