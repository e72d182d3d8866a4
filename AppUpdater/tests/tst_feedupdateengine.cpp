// The real engine against an HTTPS feed on loopback: what it offers, what it
// refuses and leaves on disk, its schedule, and the controller on top of it.
#include "AppUpdater.h"
#include "Ed25519Signer.h"
#include "FeedUpdateEngine.h"
#include "SimCertificates.h"

#include <QDir>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// A small HTTPS server on loopback that answers GETs from a table of paths.
class FeedServer : public QObject
{
public:
    struct Route
    {
        int status = 200;
        QByteArray body;
        bool stall = false;
    };

    FeedServer(const QSslCertificate &certificate, const QSslKey &key)
    {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(certificate);
        tls.setPrivateKey(key);
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        m_server.setSslConfiguration(tls);
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    QUrl url(const QString &path) const
    {
        return QUrl(u"https://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(path));
    }

    QHash<QString, Route> routes;
    QHash<QString, int> hits;

private:
    void serve(QTcpSocket *socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (!buffer->contains("\r\n\r\n") || buffer->isEmpty())
                return;
            const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
            buffer->clear();
            const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine.at(1)) : QString();
            ++hits[path];
            const Route route = routes.value(path, Route{404, "not here", false});
            if (route.stall)
                return;
            QByteArray answer = "HTTP/1.1 " + QByteArray::number(route.status) + " X\r\nContent-Length: "
                                + QByteArray::number(route.body.size()) + "\r\nConnection: close\r\n\r\n";
            socket->write(answer + route.body);
            socket->disconnectFromHost();
        });
    }

    QSslServer m_server;
};

/// Records every delegate call.
class RecordingDelegate : public UpdateEngineDelegate
{
public:
    std::optional<UpdateError> shouldProceedWithUpdate(const UpdateItem &item, UpdateCheck) override
    {
        proceedAsked.append(item);
        return veto;
    }
    void willInstallUpdate(const UpdateItem &) override { ++installs; }
    void willRelaunchApplication() override { ++installs; }
    void didAbortWithError(const UpdateError &error) override { aborted.append(error); }
    void didFinishUpdateCycle(UpdateCheck check, const std::optional<UpdateError> &error) override
    {
        finished.append({check, error});
    }
    void didFindValidUpdate(const UpdateItem &item) override { found.append(item); }
    void didNotFindUpdate(UpdateCheck) override { ++notFound; }
    BuildVersionDisplay *versionDisplayer() override { return &display; }

    std::optional<UpdateError> veto;
    QList<UpdateItem> proceedAsked;
    QList<UpdateError> aborted;
    QList<std::pair<UpdateCheck, std::optional<UpdateError>>> finished;
    QList<UpdateItem> found;
    int notFound = 0;
    int installs = 0;
    BuildVersionDisplay display;
};

QByteArray feedWith(const QByteArray &version, const QUrl &archive, const QByteArray &signature)
{
    const QByteArray enclosure =
        "<enclosure url=\"" + archive.toEncoded() + "\" lumora:edSignature=\"" + signature + "\"/>";
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:lumora=\"https://lumora.app/xml-namespaces/update-feed\"><channel>"
           "<item><title>Old</title><lumora:version>20250101000000</lumora:version>"
           + enclosure + "</item><item><title>Lumora</title><lumora:version>" + version
           + "</lumora:version><lumora:shortVersionString>0.2.0</lumora:shortVersionString>" + enclosure
           + "</item></channel></rss>";
}

const QString runningBuild = u"20261201120000"_s;

} // namespace

class TestFeedUpdateEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_root = SimCertificates::makeRoot(u"feed root"_s);
        SimCertificateOptions leaf;
        leaf.commonName = u"127.0.0.1"_s;
        leaf.subjectAltNames = {u"IP:127.0.0.1"_s};
        const SimIdentity server = SimCertificates::makeLeaf(m_root, leaf);
        QVERIFY(!server.isNull());
        m_server = std::make_unique<FeedServer>(server.certificate, server.privateKey);
        m_archive = QByteArray("Lumora update archive ").repeated(1000);
        m_server->routes.insert(u"/Lumora-0.2.0.tar.gz"_s, {200, m_archive, false});
    }
    void init()
    {
        m_downloads = m_dir.filePath(u"downloads-%1"_s.arg(++m_case));
        m_server->hits.clear();
    }
    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("document"); // empty: no feed at all
        QTest::addColumn<bool>("offered");
        QTest::addColumn<int>("errorCode"); // 0: none
        QTest::addColumn<int>("archiveDownloads");

        const QUrl archive = m_server->url(u"/Lumora-0.2.0.tar.gz"_s);
        const QByteArray signature = m_signer.sign(m_archive);
        const QByteArray newer = "20270101000000";
        QTest::newRow("newer") << feed(newer) << true << 0 << 1;
        QTest::newRow("equal") << feed(runningBuild.toLatin1()) << false << 0 << 0;
        QTest::newRow("older") << feed("20261130000000") << false << 0 << 0;
        QTest::newRow("bad signature") << feedWith(newer, archive, m_signer.sign(QByteArray(m_archive + "!"))) << false
                                       << int(FeedUpdateEngine::signatureInvalid) << 1;
        QTest::newRow("signature of 63 bytes")
            << feedWith(newer, archive, QByteArray::fromBase64(signature).left(63).toBase64()) << false
            << int(FeedUpdateEngine::signatureInvalid) << 0;
        QTest::newRow("signature not base64")
            << feedWith(newer, archive, "@@@@") << false << int(FeedUpdateEngine::signatureInvalid) << 0;
        QTest::newRow("not XML") << "<html><body>Service unavailable"_ba << false
                                 << int(FeedUpdateEngine::feedMalformed) << 0;
        QTest::newRow("enormous feed") << "<rss><channel>" + QByteArray(2 * 1024 * 1024, ' ') + "</channel></rss>"
                                       << false << int(FeedUpdateEngine::feedUnavailable) << 0;
        QTest::newRow("missing feed") << QByteArray() << false << int(FeedUpdateEngine::feedUnavailable) << 0;
        QTest::newRow("missing archive") << feedWith(newer, m_server->url(u"/gone.tar.gz"_s), signature) << false
                                         << int(FeedUpdateEngine::archiveUnavailable) << 0;
    }
    void outcomes()
    {
        QFETCH(QByteArray, document);
        QFETCH(bool, offered);
        QFETCH(int, errorCode);
        QFETCH(int, archiveDownloads);
        if (document.isEmpty())
            m_server->routes.remove(u"/feed.xml"_s);
        else
            m_server->routes.insert(u"/feed.xml"_s, {200, document, false});

        // A cut-off download of an earlier run is cleared away at start.
        QVERIFY(QDir().mkpath(m_downloads));
        QFile stale(m_downloads + u"/.download-AbC123"_s);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();

        RecordingDelegate delegate;
        auto engine = this->engine(delegate);
        QVERIFY(!engine->start());
        QVERIFY(!stale.exists());
        QVERIFY(engine->canCheckForUpdates());
        engine->checkForUpdates();
        QVERIFY(!engine->canCheckForUpdates());
        waitForCycle(delegate);
        QVERIFY(engine->canCheckForUpdates());

        QCOMPARE(delegate.found.size(), offered ? 1 : 0);
        QCOMPARE(m_server->hits.value(u"/Lumora-0.2.0.tar.gz"_s), archiveDownloads);
        QCOMPARE(delegate.installs, 0);
        if (errorCode) {
            QCOMPARE(delegate.aborted.size(), 1);
            QCOMPARE(delegate.aborted.first().code, errorCode);
            QCOMPARE(delegate.aborted.first().domain, FeedUpdateEngine::errorDomain);
            QVERIFY(!delegate.aborted.first().localizedDescription.isEmpty());
            QCOMPARE(delegate.finished.first().second, delegate.aborted.first());
        } else {
            QVERIFY(delegate.aborted.isEmpty());
            QCOMPARE(delegate.finished.first().second, std::nullopt);
        }
        QCOMPARE(delegate.notFound, !offered && !errorCode ? 1 : 0);

        // Only a verified archive is ever left on disk.
        const QStringList kept = QDir(m_downloads).entryList(QDir::Files | QDir::Hidden);
        if (offered) {
            const UpdateItem item = delegate.found.first();
            QCOMPARE(item.versionString, u"20270101000000"_s);
            QCOMPARE(item.displayVersionString, u"0.2.0"_s);
            QCOMPARE(kept, QStringList{u"Lumora-0.2.0.tar.gz"_s});
            QVERIFY(item.archivePath);
            QFile file(*item.archivePath);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), m_archive);
            QCOMPARE(file.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                     QFileDevice::Permissions());
        } else {
            QVERIFY2(kept.isEmpty(), qPrintable(kept.join(u", "_s)));
        }
    }
    void untrustedServerIsRefused()
    {
        m_server->routes.insert(u"/feed.xml"_s, {200, feed("20270101000000"), false});
        RecordingDelegate delegate;
        // The system's anchors do not know the test certificate.
        auto engine = this->engine(delegate, QList<QSslCertificate>{});
        QVERIFY(!engine->start());
        engine->checkForUpdates();
        waitForCycle(delegate);
        QCOMPARE(delegate.aborted.size(), 1);
        QCOMPARE(delegate.aborted.first().code, int(FeedUpdateEngine::feedUnavailable));
        QVERIFY(delegate.found.isEmpty());
    }
    void stalledServerTimesOut()
    {
        m_server->routes.insert(u"/feed.xml"_s, {200, {}, true});
        RecordingDelegate delegate;
        UpdateConfiguration configuration{m_server->url(u"/feed.xml"_s), m_signer.publicKeyBase64()};
        FeedUpdateEngine::Options options = this->options(std::nullopt);
        options.requestTimeout = std::chrono::seconds(1);
        FeedUpdateEngine engine(configuration, options, delegate);
        QVERIFY(!engine.start());
        engine.checkForUpdates();
        waitForCycle(delegate);
        QCOMPARE(delegate.aborted.size(), 1);
        QCOMPARE(delegate.aborted.first().code, int(FeedUpdateEngine::feedUnavailable));
    }
    void vetoStopsBeforeDownload()
    {
        m_server->routes.insert(u"/feed.xml"_s, {200, feed("20270101000000"), false});
        RecordingDelegate delegate;
        const UpdateError veto{u"AppUpdater.Installation"_s, 1, u"Not now."_s};
        delegate.veto = veto;
        auto engine = this->engine(delegate);
        QVERIFY(!engine->start());
        engine->checkForUpdatesInBackground();
        waitForCycle(delegate);
        QCOMPARE(delegate.proceedAsked.size(), 1);
        QCOMPARE(delegate.aborted, QList<UpdateError>{veto});
        QCOMPARE(m_server->hits.value(u"/Lumora-0.2.0.tar.gz"_s), 0);
        QVERIFY(delegate.found.isEmpty());
    }
    void backgroundFailuresStayQuiet()
    {
        m_server->routes.insert(u"/feed.xml"_s, {200, "not xml", false});
        RecordingDelegate delegate;
        auto engine = this->engine(delegate);
        QVERIFY(!engine->start());
        engine->checkForUpdatesInBackground();
        waitForCycle(delegate);
        QVERIFY(delegate.aborted.isEmpty());
        QCOMPARE(delegate.finished.first().first, UpdateCheck::background);
        QVERIFY(delegate.finished.first().second);
    }
    void oneCheckAtATime()
    {
        m_server->routes.insert(u"/feed.xml"_s, {200, feed(runningBuild.toLatin1()), false});
        RecordingDelegate delegate;
        auto engine = this->engine(delegate);
        engine->checkForUpdates(); // not started: ignored
        QVERIFY(!engine->canCheckForUpdates());
        QVERIFY(!engine->start());
        engine->checkForUpdates();
        engine->checkForUpdates();
        engine->checkForUpdatesInBackground();
        waitForCycle(delegate);
        // The next check asked for once the first has ended is the second cycle,
        // and the second request for the feed.
        engine->checkForUpdatesInBackground();
        waitForCycle(delegate, 2);
        QCOMPARE(delegate.finished.size(), 2);
        QCOMPARE(delegate.finished.last().first, UpdateCheck::background);
        QCOMPARE(m_server->hits.value(u"/feed.xml"_s), 2);

        // Destroying the engine during a check ends it quietly: by the time a
        // whole check of another engine has run, nothing reached the delegate.
        engine->checkForUpdates();
        engine.reset();
        RecordingDelegate witness;
        auto other = this->engine(witness);
        QVERIFY(!other->start());
        other->checkForUpdates();
        waitForCycle(witness);
        QCOMPARE(delegate.finished.size(), 2);
    }
    void scheduleFollowsTheSetting()
    {
        m_server->routes.insert(u"/feed.xml"_s, {200, feed(runningBuild.toLatin1()), false});
        const UpdateConfiguration configuration{m_server->url(u"/feed.xml"_s), m_signer.publicKeyBase64()};
        FeedUpdateEngine::Options options = this->options(std::nullopt);
        options.checkInterval = std::chrono::milliseconds(300);
        RecordingDelegate delegate;
        FeedUpdateEngine engine(configuration, options, delegate);
        QList<bool> reported;
        engine.observeAutomaticallyChecksForUpdates([&reported](bool value) { reported.append(value); });

        QVERIFY(engine.automaticallyChecksForUpdates()); // on unless the user turned it off
        QVERIFY(!engine.isScheduled());
        QVERIFY(!engine.start());
        QVERIFY(engine.isScheduled());
        waitForCycle(delegate, 2); // the schedule runs checks by itself
        QCOMPARE(delegate.finished.first().first, UpdateCheck::background);

        engine.setAutomaticallyChecksForUpdates(false);
        QVERIFY(!engine.isScheduled());
        // Checks stop with the schedule (one may still be on its way) ...
        QTRY_VERIFY_WITH_TIMEOUT(!engine.isChecking(), 30000);
        const qsizetype cyclesWhenStopped = delegate.finished.size();
        // ... while an engine on the same schedule goes on through two more.
        FeedUpdateEngine::Options witnessOptions = options;
        witnessOptions.settings =
            std::make_shared<QSettings>(m_dir.filePath(u"witness-%1.ini"_s.arg(m_case)), QSettings::IniFormat);
        RecordingDelegate witnessDelegate;
        FeedUpdateEngine witness(configuration, witnessOptions, witnessDelegate);
        QVERIFY(!witness.start());
        waitForCycle(witnessDelegate, 2);
        QCOMPARE(delegate.finished.size(), cyclesWhenStopped);

        QCOMPARE(reported, QList<bool>{false});
        QVERIFY(!options.settings->value(FeedUpdateEngine::automaticChecksKey).toBool());
        engine.setAutomaticallyChecksForUpdates(false);
        QCOMPARE(reported.size(), 1);
        engine.setAutomaticallyChecksForUpdates(true);
        QVERIFY(engine.isScheduled());
        QCOMPARE(reported, (QList<bool>{false, true}));
    }
    void controllerOffersVerifiedUpdate()
    {
        m_server->routes.insert(u"/feed.xml"_s, {200, feed("20270101000000"), false});
        const AppBundle bundle{{{AppBundle::feedURLKey, m_server->url(u"/feed.xml"_s).toString()},
                                {AppBundle::publicKeyKey, m_signer.publicKeyBase64()},
                                {AppBundle::shortVersionKey, u"0.1.0"_s},
                                {AppBundle::buildVersionKey, runningBuild}},
                               std::nullopt};
        const FeedUpdateEngine::Options options = this->options(std::nullopt);
        AppUpdater updater(bundle,
                           [options](const AppBundle &bundle, const UpdateConfiguration &configuration,
                                     UpdateEngineDelegate &delegate) -> std::unique_ptr<UpdateEngine> {
                               FeedUpdateEngine::Options forTest = options;
                               forTest.currentVersion = FeedUpdateEngine::Options::forBundle(bundle).currentVersion;
                               return std::make_unique<FeedUpdateEngine>(configuration, forTest, delegate);
                           });
        QVERIFY(updater.hasEngine());
        QSignalSpy available(&updater, &AppUpdater::updateAvailable);
        QVERIFY(!updater.canCheckForUpdates());
        updater.start(); // automatic checks are on: a background check starts
        QVERIFY(available.wait(30000));
        const auto item = available.first().at(0).value<UpdateItem>();
        QVERIFY(item.archivePath);
        QVERIFY(available.first().at(1).toString().startsWith(u"0.2.0 (2027-01-01 "_s));
        QTRY_VERIFY_WITH_TIMEOUT(updater.canCheckForUpdates(), 5000);

        // Nothing newer on the next, user-initiated check.
        m_server->routes.insert(u"/feed.xml"_s,
                                {200, feedWith(runningBuild.toLatin1(), m_server->url(u"/x"_s), "c2ln"), false});
        QSignalSpy upToDate(&updater, &AppUpdater::upToDate);
        updater.checkForUpdates();
        QVERIFY(upToDate.wait(30000));
    }

private:
    std::unique_ptr<FeedUpdateEngine> engine(RecordingDelegate &delegate,
                                             std::optional<QList<QSslCertificate>> anchors = {})
    {
        UpdateConfiguration configuration{m_server->url(u"/feed.xml"_s), m_signer.publicKeyBase64()};
        return std::make_unique<FeedUpdateEngine>(configuration, options(std::move(anchors)), delegate);
    }
    void waitForCycle(RecordingDelegate &delegate, int cycles = 1)
    {
        QTRY_VERIFY_WITH_TIMEOUT(delegate.finished.size() >= cycles, 30000);
    }
    FeedUpdateEngine::Options options(std::optional<QList<QSslCertificate>> anchors) const
    {
        FeedUpdateEngine::Options options;
        options.currentVersion = runningBuild;
        options.currentDisplayVersion = u"0.1.0"_s;
        options.settings =
            std::make_shared<QSettings>(m_dir.filePath(u"settings-%1.ini"_s.arg(m_case)), QSettings::IniFormat);
        options.caCertificates = anchors ? anchors : QList<QSslCertificate>{m_root.certificate};
        options.downloadDirectory = m_downloads;
        options.requestTimeout = std::chrono::seconds(20);
        return options;
    }
    QByteArray feed(const QByteArray &version) const
    {
        return feedWith(version, m_server->url(u"/Lumora-0.2.0.tar.gz"_s), m_signer.sign(m_archive));
    }

    QTemporaryDir m_dir;
    SimIdentity m_root;
    std::unique_ptr<FeedServer> m_server;
    Ed25519Signer m_signer;
    QByteArray m_archive;
    int m_case = 0;
    QString m_downloads;
};

QTEST_GUILESS_MAIN(TestFeedUpdateEngine)
#include "tst_feedupdateengine.moc"
