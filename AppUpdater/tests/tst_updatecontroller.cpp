// The updater's rules (configuration gate, feed, version order, signatures)
// and the controller over a scripted engine: no network needed.
#include "AppUpdater.h"
#include "Ed25519Signer.h"
#include "UpdateConfiguration.h"
#include "UpdateFeed.h"
#include "UpdateSignature.h"
#include "UpdateVersionComparator.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

QString base64(int bytes, QByteArray::Base64Options options = QByteArray::Base64Encoding)
{
    // 0xfb encodes to '+' and '/', the characters the two alphabets disagree on.
    return QString::fromLatin1(QByteArray(bytes, '\xfb').toBase64(options));
}

const QString goodKey = base64(32);
const QString feedURL = u"https://updates.example.org/feed.xml"_s;

QVariantMap info(const QVariant &feed, const QVariant &key = goodKey)
{
    QVariantMap map{{u"SUFeedURL"_s, feed}, {u"SUPublicEDKey"_s, key}};
    map.removeIf([](const auto &entry) { return !entry.value().isValid(); }); // absent, not null
    return map;
}

QByteArray feed(const QByteArray &items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:lumora="https://lumora.app/xml-namespaces/update-feed">
<channel><title>Lumora</title>)"
           + items + "</channel></rss>";
}

QByteArray item(const char *version, const char *url = "https://example.org/Lumora.tar.gz")
{
    return "<item><title>Lumora</title><lumora:version>" + QByteArray(version) + R"(</lumora:version><enclosure url=")"
           + QByteArray(url) + R"(" length="12" lumora:edSignature="c2ln"/></item>)";
}

/// An engine that records what it was asked and reports what the test says.
struct ScriptedEngine : UpdateEngine
{
    std::optional<UpdateError> start() override
    {
        ++starts;
        return startError;
    }
    bool canCheckForUpdates() const override { return false; } // the controller keeps its own
    bool automaticallyChecksForUpdates() const override { return automatic; }
    void setAutomaticallyChecksForUpdates(bool enabled) override { automatic = enabled; }
    void checkForUpdates() override { ++userChecks; }
    void checkForUpdatesInBackground() override { ++backgroundChecks; }
    void observeCanCheckForUpdates(Observer observer) override { (canCheckObserver = observer)(false); }
    void observeAutomaticallyChecksForUpdates(Observer observer) override { automaticObserver = observer; }

    int starts = 0;
    int userChecks = 0;
    int backgroundChecks = 0;
    std::optional<UpdateError> startError;
    bool automatic = false;
    Observer canCheckObserver;
    Observer automaticObserver;
};

/// A controller over a scripted engine, which `engine` then points to (null
/// when the controller made none).
std::unique_ptr<AppUpdater> scripted(ScriptedEngine *&engine, const QVariantMap &information = info(feedURL))
{
    engine = nullptr;
    return std::make_unique<AppUpdater>(
        AppBundle{information, std::nullopt},
        [&engine](const AppBundle &, const UpdateConfiguration &, UpdateEngineDelegate &) {
            auto made = std::make_unique<ScriptedEngine>();
            engine = made.get();
            return made;
        });
}

} // namespace

class TestUpdateController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void configurationRules_data()
    {
        QTest::addColumn<QVariantMap>("information");
        QTest::addColumn<bool>("configured");

        QTest::newRow("complete") << info(feedURL) << true;
        QTest::newRow("the build's own") << AppBundle::main().info << false; // ships without a feed
        QTest::newRow("plain http") << info(u"http://updates.example.org/feed.xml"_s) << false;
        QTest::newRow("upper-case scheme") << info(u"HTTPS://updates.example.org/feed.xml"_s) << false;
        QTest::newRow("empty host") << info(u"https:///feed.xml"_s) << false;
        QTest::newRow("user name") << info(u"https://user@updates.example.org/feed.xml"_s) << false;
        QTest::newRow("not a URL") << info(u"https://exa mple.org/feed.xml"_s) << false;
        QTest::newRow("feed missing") << info(QVariant()) << false;
        QTest::newRow("feed not text") << info(QUrl(feedURL)) << false;
        QTest::newRow("key missing") << info(feedURL, QVariant()) << false;
        QTest::newRow("key of 33 bytes") << info(feedURL, base64(33)) << false;
        QTest::newRow("key url-safe alphabet") << info(feedURL, base64(32, QByteArray::Base64UrlEncoding)) << false;
        QTest::newRow("key without padding") << info(feedURL, goodKey.chopped(1)) << false;
        QTest::newRow("key with white space")
            << info(feedURL, QString(goodKey.left(20) + u'\n' + goodKey.mid(20))) << false;
        QTest::newRow("key not text") << info(feedURL, QByteArray(32, '\xfb')) << false;
    }
    void configurationRules()
    {
        QFETCH(QVariantMap, information);
        QFETCH(bool, configured);
        const std::optional<UpdateConfiguration> configuration = UpdateConfiguration::fromInfo(information);
        QCOMPARE(configuration.has_value(), configured);

        // Without one the controller makes no engine, says why, and stays inert.
        ScriptedEngine *engine = nullptr;
        const auto updater = scripted(engine, information);
        QCOMPARE(engine != nullptr, configured);
        QCOMPARE(updater->configurationError(),
                 configured ? QString() : u"Updates are not configured for this build."_s);
        QSignalSpy automatic(updater.get(), &AppUpdater::automaticallyChecksForUpdatesChanged);
        updater->start();
        updater->checkForUpdates();
        updater->setAutomaticallyChecksForUpdates(true);
        QCOMPARE(updater->automaticallyChecksForUpdates(), configured);
        QCOMPARE(automatic.count(), configured ? 1 : 0);
    }
    void startRunsOnceAndMayBeRetried()
    {
        ScriptedEngine *engine = nullptr;
        const auto updater = scripted(engine);
        engine->automatic = true;
        engine->startError = UpdateError{u"engine"_s, 7, u"The engine could not start."_s};
        QSignalSpy errors(updater.get(), &AppUpdater::configurationErrorChanged);
        updater->start();
        QCOMPARE(updater->configurationError(), u"The engine could not start."_s);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(engine->backgroundChecks, 0);

        engine->startError.reset();
        updater->start();
        updater->start();
        QCOMPARE(engine->starts, 2);
        // The retry that worked took the error back.
        QCOMPARE(updater->configurationError(), QString());
        QCOMPARE(errors.count(), 2);
        // Automatic checks are on: the start runs one background check.
        QCOMPARE(engine->backgroundChecks, 1);

        ScriptedEngine *manual = nullptr;
        const auto quiet = scripted(manual);
        quiet->start();
        QCOMPARE(manual->starts, 1);
        QCOMPARE(manual->backgroundChecks, 0);
    }
    void checksAndSettingFollowTheEngine()
    {
        ScriptedEngine *engine = nullptr;
        auto updater = scripted(engine);
        const UpdateEngine::Observer observer = engine->canCheckObserver;
        const UpdateEngine::Observer automaticObserver = engine->automaticObserver;
        QSignalSpy canCheck(updater.get(), &AppUpdater::canCheckForUpdatesChanged);
        QSignalSpy automatic(updater.get(), &AppUpdater::automaticallyChecksForUpdatesChanged);
        updater->start();
        updater->checkForUpdates();
        QCOMPARE(engine->userChecks, 0);

        // The engine reports from another thread that it can check: the
        // published value follows on the main thread, and only then do checks
        // go through.
        std::unique_ptr<QThread> thread(QThread::create([observer] { observer(true); }));
        thread->start();
        QVERIFY(thread->wait(5000));
        QVERIFY(!updater->canCheckForUpdates());
        QTRY_VERIFY_WITH_TIMEOUT(updater->canCheckForUpdates(), 5000);
        updater->checkForUpdates();
        QCOMPARE(engine->userChecks, 1);

        // Observers hear of a new setting before the engine gets it; the same
        // value again is no change; a change made by the engine is announced too.
        bool valueWhenAnnounced = true;
        connect(updater.get(), &AppUpdater::automaticallyChecksForUpdatesChanged, this,
                [&] { valueWhenAnnounced = engine->automatic; });
        updater->setAutomaticallyChecksForUpdates(true);
        updater->setAutomaticallyChecksForUpdates(true);
        QVERIFY(engine->automatic);
        QVERIFY(!valueWhenAnnounced);
        QCOMPARE(automatic.count(), 1);
        engine->automatic = false;
        automaticObserver(false);
        QTRY_COMPARE_WITH_TIMEOUT(automatic.count(), 2, 5000);

        // Reports still queued when the controller goes are dropped.
        observer(false);
        automaticObserver(true);
        updater.reset();
        QCoreApplication::processEvents();
        QCOMPARE(canCheck.count(), 1);
        QCOMPARE(automatic.count(), 2);
    }
    void installingAndVeto()
    {
        ScriptedEngine *engine = nullptr;
        const auto updater = scripted(engine);
        updater->willRelaunchApplication(); // the engine reports through the delegate calls
        QVERIFY(updater->isInstallingUpdate());
        updater->didAbortWithError(UpdateError{u"x"_s, 2, u"broken"_s});
        QVERIFY(!updater->isInstallingUpdate());

        // The application may veto an installation, saying why.
        updater->installationBlockReason = [] { return std::optional<QString>(u"A light show is running."_s); };
        QCOMPARE(updater->shouldProceedWithUpdate(UpdateItem{}, UpdateCheck::userInitiated),
                 (UpdateError{u"AppUpdater.Installation"_s, 1, u"A light show is running."_s}));
    }
    void versionOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("numeric not text") << u"1.10"_s << u"1.9"_s << 1;
        QTest::newRow("leading zeros") << u"1.05"_s << u"1.5"_s << 0;
        QTest::newRow("more parts") << u"1.0.1"_s << u"1.0"_s << 1;
        QTest::newRow("beta older than release") << u"1.0b2"_s << u"1.0"_s << -1;
        QTest::newRow("beta order") << u"1.0b2"_s << u"1.0b10"_s << -1;
        QTest::newRow("more numbers newer than letters") << u"1.0.1"_s << u"1.0a"_s << 1;
        QTest::newRow("digits beyond 64 bits")
            << u"123456789012345678901234567890"_s << u"123456789012345678901234567889"_s << 1;
        QTest::newRow("empty") << QString() << u"1"_s << -1;
    }
    void versionOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(UpdateVersionComparator::compare(a, b), order);
        QCOMPARE(UpdateVersionComparator::compare(b, a), -order);
    }
    void parseItems()
    {
        const UpdateFeed::Parsed parsed = UpdateFeed::parse(
            feed(item("20270101000000", "https://example.org/a.tar.gz") + item("20261201000000")
                 + item("20280101000000", "http://example.org/insecure.tar.gz") // not https: dropped
                 + "<item><title>no version</title></item>" + item("20271231000000", "https://example.org/b.tar.gz")
                 + "<somethingElse><item>ignored</item></somethingElse>"));
        QCOMPARE(parsed.items.size(), 3);
        QCOMPARE(parsed.items.at(0).archiveLength, 12);
        // Without a marketing version the build stands in for it.
        QCOMPARE(parsed.items.at(1).displayVersionString, u"20261201000000"_s);
        QCOMPARE(UpdateFeed::newest(parsed.items).value_or(UpdateItem{}).archiveURL,
                 QUrl(u"https://example.org/b.tar.gz"_s));
        QVERIFY(!UpdateFeed::newest({}));

        // Elements of another namespace with the same local name do not count.
        const UpdateFeed::Parsed foreign =
            UpdateFeed::parse(feed("<item xmlns:x=\"urn:other\"><x:version>9</x:version>"
                                   "<enclosure url=\"https://e.org/a\" lumora:edSignature=\"c2ln\"/></item>"));
        QVERIFY(!foreign.error && foreign.items.isEmpty());
    }
    void parseFailures_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("not XML") << QByteArray("{\"version\": 2}");
        QTest::newRow("HTML") << QByteArray("<html><body>Not found</body></html>");
        QTest::newRow("cut off") << feed(item("2")).chopped(20);
        QTest::newRow("unbalanced") << QByteArray("<rss><channel><item></channel></rss>");
        // Each entity twenty of the one before: 48 * 20^4 characters if expanded.
        QByteArray bomb = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"" + QByteArray(48, 'a') + "\">";
        for (const char entity : {'b', 'c', 'd', 'e'})
            bomb += "<!ENTITY " + QByteArray(1, entity) + " \""
                    + QByteArray("&" + QByteArray(1, char(entity - 1)) + ";").repeated(20) + "\">";
        QTest::newRow("entity bomb") << QByteArray(bomb
                                                   + "]><rss><channel><item><title>&e;</title></item></channel></rss>");
    }
    void parseFailures()
    {
        QFETCH(QByteArray, document);
        const UpdateFeed::Parsed parsed = UpdateFeed::parse(document);
        QVERIFY(parsed.error && !parsed.error->isEmpty());
        QVERIFY(parsed.items.isEmpty());
    }
    void signatures()
    {
        const Ed25519Signer signer;
        const QByteArray key = signer.publicKey();
        const QByteArray archive = "the archive's bytes";
        const QString signature = QString::fromLatin1(signer.sign(archive));
        const QByteArray raw = QByteArray::fromBase64(signature.toLatin1());
        QByteArray flipped = raw;
        flipped[10] = char(flipped[10] ^ 1);

        using UpdateSignature::Result;
        QCOMPARE(UpdateSignature::verify(key, signature, archive), Result::valid);
        QCOMPARE(UpdateSignature::verify(key, signature, QByteArray("the archive's bytes!")), Result::invalid);
        QCOMPARE(UpdateSignature::verify(Ed25519Signer().publicKey(), signature, archive), Result::invalid);
        QCOMPARE(UpdateSignature::verify(key, QString::fromLatin1(flipped.toBase64()), archive), Result::invalid);
        QCOMPARE(UpdateSignature::verify(key, QString::fromLatin1(raw.left(63).toBase64()), archive),
                 Result::malformedSignature);
        QCOMPARE(UpdateSignature::verify(key, u"%%%"_s, archive), Result::malformedSignature);
        QCOMPARE(UpdateSignature::verify(key.left(31), signature, archive), Result::malformedKey);
        QCOMPARE(UpdateSignature::verify(key, QString::fromLatin1(signer.sign({})), QByteArrayView()), Result::valid);
    }
};

QTEST_GUILESS_MAIN(TestUpdateController)
#include "tst_updatecontroller.moc"
