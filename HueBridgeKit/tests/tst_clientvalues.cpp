// The client's rules that need no peer: URLs, error texts, their sorting and
// equality, the configuration record, and the cancellation token.
#include "HueBridgeClient.h"
#include "HueBridgeConfig.h"
#include "HueBridgeError.h"
#include "HueCancellationToken.h"
#include "HueCancelledError.h"
#include "HueFailure.h"
#include "HueSerializationError.h"
#include "HueText.h"
#include "HueTransportError.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

QCoro::Task<QString> sleepAndReport(HueCancellationToken token, std::chrono::milliseconds duration)
{
    try {
        co_await token.sleep(duration);
        co_return u"slept"_s;
    } catch (const HueCancelledError &) {
        co_return u"cancelled"_s;
    }
}

} // namespace

class TestClientValues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void url_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("url");

        QTest::newRow("host name") << u"ecb5fafffe1a2b3c.local"_s << u"/clip/v2/resource"_s
                                   << u"https://ecb5fafffe1a2b3c.local/clip/v2/resource"_s;
        QTest::newRow("ipv6") << u"fd00::1"_s << u"/api"_s << u"https://[fd00::1]/api"_s;
        QTest::newRow("ipv6 with zone") << u"fe80::1%eth0"_s << u"/api"_s << u"https://[fe80::1%25eth0]/api"_s;
        QTest::newRow("id escaped in path") << u"10.0.0.2"_s << u"/clip/v2/resource/light/a b?c#d"_s
                                            << u"https://10.0.0.2/clip/v2/resource/light/a%20b%3Fc%23d"_s;
        // Hosts that form no URL must never reach another host (a slash: tst_client hostWithoutURLSendsNothing).
        QTest::newRow("address with port") << u"10.0.0.2:8443"_s << u"/api"_s << u"file:///"_s;
        QTest::newRow("user info") << u"evil.example@10.0.0.2"_s << u"/api"_s << u"file:///"_s;
        QTest::newRow("bracketed already") << u"[::1]"_s << u"/api"_s << u"file:///"_s;
        QTest::newRow("empty") << QString() << u"/api"_s << u"file:///"_s;
    }
    void url()
    {
        QFETCH(QString, host);
        QFETCH(QString, path);
        QFETCH(QString, url);
        QCOMPARE(HueBridgeClient::url(host, path).toString(QUrl::FullyEncoded), url);
    }
    void requestHeaders()
    {
        // Without a key no header goes out: tst_client pairing's config and pair requests.
        const auto session = HueBridgeSession::create({});
        const QNetworkRequest request = HueBridgeClient(u"10.0.0.2"_s, u"key-123"_s, session).request(u"/api"_s);
        QCOMPARE(request.rawHeaderList(), QList<QByteArray>{"hue-application-key"_ba});
        QCOMPARE(request.rawHeader("hue-application-key"), "key-123"_ba);
        // Qt's own check gets no CA certificate to pass a chain with (and no
        // system roots): the bridge trust evaluation judges every handshake.
        QVERIFY(request.sslConfiguration().caCertificates().isEmpty());
        QVERIFY(HueBridgeClient::live(u"10.0.0.2"_s, std::nullopt, std::nullopt).session() != session);
    }
    void errorDescriptions_data()
    {
        QTest::addColumn<HueBridgeError>("error");
        QTest::addColumn<QString>("german");
        QTest::addColumn<QString>("english");

        QTest::newRow("api") << HueBridgeError::api(u"resource not found"_s)
                             << u"Die Bridge meldet: resource not found"_s
                             << u"The bridge reports: resource not found"_s;
        QTest::newRow("http 502") << HueBridgeError::http(502) << u"Die Bridge antwortet mit Status 502."_s
                                  << u"The bridge answers with status 502."_s;
        QTest::newRow("link button") << HueBridgeError::linkButtonNotPressed()
                                     << u"Der Knopf auf der Bridge wurde noch nicht gedrückt."_s
                                     << u"The button on the bridge has not been pressed yet."_s;
        QTest::newRow("unauthorized") << HueBridgeError::unauthorized() << u"Die Bridge kennt diese App nicht mehr."_s
                                      << u"The bridge no longer knows this app."_s;
        QTest::newRow("invalid response")
            << HueBridgeError::invalidResponse() << u"Die Antwort der Bridge ist unverständlich."_s
            << u"The bridge sent an answer that cannot be read."_s;
    }
    void errorDescriptions()
    {
        QFETCH(HueBridgeError, error);
        QFETCH(QString, german);
        QFETCH(QString, english);
        QCOMPARE(error.errorDescription(), HueText::usesGerman() ? german : english);
        QCOMPARE(QString::fromUtf8(error.what()), english);
    }
    // Every caller sorts failures through this one function; the texts are the errors' own.
    void failureClassification_data()
    {
        QTest::addColumn<std::exception_ptr>("failure");
        QTest::addColumn<HueFailure::Kind>("kind");
        QTest::addColumn<QString>("description");

        const auto row = [](const char *name, auto error, HueFailure::Kind kind, QString description) {
            QTest::newRow(name) << std::make_exception_ptr(error) << kind << description;
        };
        using Kind = HueFailure::Kind;
        row("cancelled", HueCancelledError(), Kind::cancelled, u"operation cancelled"_s);
        row("unauthorized", HueBridgeError::unauthorized(), Kind::unauthorized,
            HueBridgeError::unauthorized().errorDescription());
        row("link button", HueBridgeError::linkButtonNotPressed(), Kind::linkButtonNotPressed,
            HueBridgeError::linkButtonNotPressed().errorDescription());
        row("http", HueBridgeError::http(503), Kind::bridge, HueBridgeError::http(503).errorDescription());
        row("transport", HueTransportError(QNetworkReply::ConnectionRefusedError, u"Connection refused"_s),
            Kind::transport, u"Connection refused"_s);
        row("serialization", HueSerializationError(), Kind::other, HueSerializationError().errorDescription());
        row("standard", std::runtime_error("disk full"), Kind::other, u"disk full"_s);
        row("not an exception", 42, Kind::other, HueBridgeError::invalidResponse().errorDescription());
    }
    void failureClassification()
    {
        QFETCH(std::exception_ptr, failure);
        const HueFailure classified = HueFailure::classify(failure);
        QTEST(classified.kind(), "kind");
        QTEST(classified.description(), "description");
    }
    // A full record is tst_client pairing's, read from the simulator.
    void config_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<std::optional<HueBridgeConfig>>("config");

        QTest::newRow("name missing") << R"({"bridgeid":"ECB5FAFFFE1A2B3C"})"_ba << std::optional<HueBridgeConfig>();
        QTest::newRow("id a number") << R"({"name":"x","bridgeid":42})"_ba << std::optional<HueBridgeConfig>();
        QTest::newRow("array") << R"([{"name":"x","bridgeid":"y"}])"_ba << std::optional<HueBridgeConfig>();
    }
    void config()
    {
        QFETCH(QByteArray, json);
        QFETCH(std::optional<HueBridgeConfig>, config);
        const QJsonDocument document = QJsonDocument::fromJson(json);
        const QJsonValue value = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
        QCOMPARE(HueBridgeConfig::fromJson(value), config);
    }
    void sleepRunsOut()
    {
        // Waits are exact: a coarse timer may end up to 5 % early by rounding its
        // end to a whole second of the monotonic clock. Aim the end 30 ms past
        // one, where such a timer would fire 30 ms early.
        QElapsedTimer clock;
        clock.start();
        const qint64 now = clock.msecsSinceReference();
        const std::chrono::milliseconds duration(600 + (1030 - (now + 600) % 1000) % 1000);
        QCOMPARE(QCoro::waitFor(sleepAndReport(HueCancellationToken(), duration)), u"slept"_s);
        QVERIFY2(clock.elapsed() >= duration.count(),
                 qPrintable(QString::number(clock.elapsed()) + u" < "_s + QString::number(duration.count())));
    }
    void cancelStopsSleep()
    {
        HueCancellationToken token;
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(20ms, [token] { token.cancel(); });
        QCOMPARE(QCoro::waitFor(sleepAndReport(token, 60s)), u"cancelled"_s);
        QVERIFY(clock.elapsed() < 30000);
        // Cancelled before it starts, a sleep ends at once; cancelling twice is harmless.
        token.cancel();
        QCOMPARE(QCoro::waitFor(sleepAndReport(token, 60s)), u"cancelled"_s);
        QVERIFY_THROWS_EXCEPTION(HueCancelledError, token.throwIfCancelled());
    }
    void droppedRegistrationDoesNotRun()
    {
        HueCancellationToken token;
        int first = 0;
        int second = 0;
        int late = 0;
        HueCancellationToken::Registration dropped;
        // The first reaction drops the second before it would run.
        auto kept = token.onCancel([&first, &dropped] {
            ++first;
            dropped.reset();
        });
        dropped = token.onCancel([&second] { ++second; });
        auto released = token.onCancel([&second] { ++second; });
        released.reset();
        token.cancel();
        token.cancel();
        QCOMPARE(first, 1);
        QCOMPARE(second, 0);
        // Registered after the fact: runs at once.
        auto immediate = token.onCancel([&late] { ++late; });
        QCOMPARE(late, 1);
    }
    // The timer and the cancellation both wake the sleeper in the same turn of
    // the event loop: it must resume once, not a second time after its frame is gone.
    void cancelRacingTheTimer()
    {
        for (int round = 0; round < 50; ++round) {
            HueCancellationToken token;
            auto task = sleepAndReport(token, 0ms);
            token.cancel();
            QCOMPARE(QCoro::waitFor(task), u"cancelled"_s);
            QTest::qWait(1);
        }
    }
};

QTEST_GUILESS_MAIN(TestClientValues)
#include "tst_clientvalues.moc"
