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
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

/// A small HTTPS server on loopback that answers GETs from a table of paths:
/// an unknown path gets 404, a path mapped to a null body no answer at all,
/// a dribbled path its body one byte every 200 ms.
class FeedServer : public QSslServer
{
public:
    explicit FeedServer(const SimIdentity &identity)
    {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(identity.certificate);
        tls.setPrivateKey(identity.privateKey);
        setSslConfiguration(tls);
        connect(this, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
            }
        });
        listen(QHostAddress::LocalHost, 0);
    }
    QUrl url(const QString &path) const { return QUrl(u"https://127.0.0.1:%1%2"_s.arg(serverPort()).arg(path)); }

    QHash<QString, QByteArray> routes;
    QHash<QString, int> hits;
    QSet<QString> dribbledPaths;

private:
    void serve(QTcpSocket *socket)
    {
        if (!socket->peek(64 * 1024).contains("\r\n\r\n")) // the request is not complete yet
            return;
        const QString path = QString::fromLatin1(socket->readAll().split(' ').value(1));
        ++hits[path];
        const bool known = routes.contains(path);
        const QByteArray body = known ? routes.value(path) : "not here"_ba;
        if (body.isNull())
            return;
        socket->write("HTTP/1.1 " + QByteArray(known ? "200" : "404")
                      + " X\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n");
        if (!dribbledPaths.contains(path)) {
            socket->write(body);
            socket->disconnectFromHost();
            return;
        }
        auto *timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket, body, sent = qsizetype(0)]() mutable {
            if (sent < body.size())
                socket->write(body.mid(sent++, 1));
        });
        timer->start(200);
    }
};

/// Records every delegate call.
struct RecordingDelegate : UpdateEngineDelegate
{
    std::optional<UpdateError> shouldProceedWithUpdate(const UpdateItem &, UpdateCheck) override { return veto; }
    void willInstallUpdate(const UpdateItem &) override {}
    void willRelaunchApplication() override {}
    void didAbortWithError(const UpdateError &error) override { aborted.append(error); }
    void didFinishUpdateCycle(UpdateCheck check, const std::optional<UpdateError> &error) override
    {
        finished.append({check, error});
    }
    void didFindValidUpdate(const UpdateItem &item) override { found.append(item); }
    void didNotFindUpdate(UpdateCheck) override { ++notFound; }
    BuildVersionDisplay *versionDisplayer() override { return &display; }

    std::optional<UpdateError> veto;
    QList<UpdateError> aborted;
    QList<std::pair<UpdateCheck, std::optional<UpdateError>>> finished;
    QList<UpdateItem> found;
    int notFound = 0;
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
const QString feedPath = u"/feed.xml"_s;
const QString archivePath = u"/Lumora-0.2.0.tar.gz"_s;

// How a case departs from a plain user-initiated check.
enum Twist { plain, noFeed, stalled, dribbled, untrusted, background, vetoed };

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
        m_server = std::make_unique<FeedServer>(SimCertificates::makeLeaf(m_root, leaf));
        m_archive = QByteArray("Lumora update archive ").repeated(1000);
        m_server->routes.insert(archivePath, m_archive);
    }
    void init()
    {
        m_downloads = m_dir.filePath(u"downloads-%1"_s.arg(++m_case));
        m_server->hits.clear();
    }
    void outcomes_data()
    {
        QTest::addColumn<Twist>("twist");
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<int>("errorCode");        // 0: none
        QTest::addColumn<int>("archiveDownloads"); // an update is offered when one succeeds

        const QUrl archive = m_server->url(archivePath);
        const QByteArray signature = m_signer.sign(m_archive);
        const QByteArray newer = "20270101000000";
        QTest::newRow("newer") << plain << feed(newer) << 0 << 1;
        QTest::newRow("older") << plain << feed("20261130000000") << 0 << 0;
        QTest::newRow("bad signature") << plain << feedWith(newer, archive, m_signer.sign(QByteArray(m_archive + "!")))
                                       << int(FeedUpdateEngine::signatureInvalid) << 1;
        QTest::newRow("signature of 63 bytes")
            << plain << feedWith(newer, archive, QByteArray::fromBase64(signature).left(63).toBase64())
            << int(FeedUpdateEngine::signatureInvalid) << 0;
        QTest::newRow("enormous feed") << plain
                                       << "<rss><channel>" + QByteArray(2 * 1024 * 1024, ' ') + "</channel></rss>"
                                       << int(FeedUpdateEngine::feedUnavailable) << 0;
        QTest::newRow("missing feed") << noFeed << QByteArray() << int(FeedUpdateEngine::feedUnavailable) << 0;
        QTest::newRow("missing archive") << plain << feedWith(newer, m_server->url(u"/gone.tar.gz"_s), signature)
                                         << int(FeedUpdateEngine::archiveUnavailable) << 0;
        QTest::newRow("untrusted server") << untrusted << feed(newer) << int(FeedUpdateEngine::feedUnavailable) << 0;
        QTest::newRow("stalled server") << stalled << QByteArray() << int(FeedUpdateEngine::feedUnavailable) << 0;
        // A byte now and then never lets the idle timeout fire; the deadline ends it.
        QTest::newRow("dribbling server") << dribbled << feed(newer) << int(FeedUpdateEngine::feedUnavailable) << 0;
        QTest::newRow("background failure") << background << "not xml"_ba << int(FeedUpdateEngine::feedMalformed) << 0;
        QTest::newRow("vetoed in background") << vetoed << feed(newer) << 1 << 0;
    }
    void outcomes()
    {
        QFETCH(Twist, twist);
        QFETCH(QByteArray, document);
        QFETCH(int, errorCode);
        QFETCH(int, archiveDownloads);
        const bool offered = !errorCode && archiveDownloads;
        const bool quiet = twist == background || twist == vetoed;
        if (twist == noFeed)
            m_server->routes.remove(feedPath);
        else
            m_server->routes.insert(feedPath, document); // null when stalled: never answered
        m_server->dribbledPaths = twist == dribbled ? QSet<QString>{feedPath} : QSet<QString>{};

        // A cut-off download of an earlier run is cleared away at start.
        const QString stale = m_downloads + u"/.download-AbC123"_s;
        QVERIFY(QDir().mkpath(m_downloads) && QFile(stale).open(QIODevice::WriteOnly));

        FeedUpdateEngine::Options options = this->options();
        if (twist == untrusted)
            options.caCertificates = QList<QSslCertificate>{}; // nothing vouches for the test certificate
        if (twist == stalled || twist == dribbled)
            options.requestTimeout = std::chrono::seconds(1);
        if (twist == dribbled)
            options.feedDeadline = std::chrono::seconds(3);
        RecordingDelegate delegate;
        if (twist == vetoed)
            delegate.veto = UpdateError{AppUpdater::installationErrorDomain, 1, u"Not now."_s};
        auto engine = std::make_unique<FeedUpdateEngine>(configuration(), options, delegate);
        QVERIFY(!engine->start());
        QVERIFY(!QFile::exists(stale));
        QVERIFY(engine->canCheckForUpdates());
        quiet ? engine->checkForUpdatesInBackground() : engine->checkForUpdates();
        QVERIFY(!engine->canCheckForUpdates());
        QTRY_VERIFY_WITH_TIMEOUT(!delegate.finished.isEmpty(), 30000);
        QVERIFY(engine->canCheckForUpdates());

        QCOMPARE(delegate.finished.first().first, quiet ? UpdateCheck::background : UpdateCheck::userInitiated);
        const std::optional<UpdateError> error = delegate.finished.first().second;
        QCOMPARE(error ? error->code : 0, errorCode);
        if (error)
            QCOMPARE(error->domain,
                     twist == vetoed ? AppUpdater::installationErrorDomain : FeedUpdateEngine::errorDomain);
        // Failures of quiet checks reach only the cycle's end; a veto is always told.
        QCOMPARE(delegate.aborted, error && twist != background ? QList<UpdateError>{*error} : QList<UpdateError>{});
        QCOMPARE(delegate.found.size(), offered ? 1 : 0);
        QCOMPARE(delegate.notFound, !offered && !errorCode ? 1 : 0);
        QCOMPARE(m_server->hits.value(archivePath), archiveDownloads);

        // Only a verified archive is ever left on disk, for its owner alone.
        QCOMPARE(QDir(m_downloads).entryList(QDir::Files | QDir::Hidden),
                 offered ? QStringList{u"Lumora-0.2.0.tar.gz"_s} : QStringList());
        if (offered) {
            QFile file(delegate.found.first().archivePath.value_or(QString()));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), m_archive);
            QCOMPARE(file.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                     QFileDevice::Permissions());
        }
    }
    void oneCheckAtATime()
    {
        m_server->routes.insert(feedPath, feed(runningBuild.toLatin1()));
        RecordingDelegate delegate;
        auto engine = std::make_unique<FeedUpdateEngine>(configuration(), options(), delegate);
        engine->checkForUpdates(); // not started: ignored (two cycles below, not three)
        QVERIFY(!engine->start());
        engine->checkForUpdates();
        engine->checkForUpdates();
        engine->checkForUpdatesInBackground();
        QTRY_VERIFY_WITH_TIMEOUT(!delegate.finished.isEmpty(), 30000);
        // The next check asked for once the first has ended is the second cycle,
        // and the second request for the feed.
        engine->checkForUpdatesInBackground();
        QTRY_VERIFY_WITH_TIMEOUT(delegate.finished.size() >= 2, 30000);
        QCOMPARE(delegate.finished.size(), 2);
        QCOMPARE(m_server->hits.value(feedPath), 2);

        // Destroying the engine during a check ends it quietly: by the time a
        // whole check of another engine has run, nothing reached the delegate.
        engine->checkForUpdates();
        engine.reset();
        RecordingDelegate witness;
        FeedUpdateEngine other(configuration(), options(), witness);
        QVERIFY(!other.start());
        other.checkForUpdates();
        QTRY_VERIFY_WITH_TIMEOUT(!witness.finished.isEmpty(), 30000);
        QCOMPARE(delegate.finished.size(), 2);
    }
    void scheduleFollowsTheSetting()
    {
        m_server->routes.insert(feedPath, feed(runningBuild.toLatin1()));
        FeedUpdateEngine::Options options = this->options();
        options.checkInterval = std::chrono::milliseconds(300);
        RecordingDelegate delegate;
        FeedUpdateEngine engine(configuration(), options, delegate);
        QList<bool> reported;
        engine.observeAutomaticallyChecksForUpdates([&reported](bool value) { reported.append(value); });

        QVERIFY(!engine.start()); // automatic checks are on unless the user turned them off
        QVERIFY(engine.isScheduled());
        QTRY_VERIFY_WITH_TIMEOUT(delegate.finished.size() >= 2, 30000); // the schedule runs checks by itself
        QCOMPARE(delegate.finished.first().first, UpdateCheck::background);

        // Switched off, the schedule's timer stops: no further check is due.
        engine.setAutomaticallyChecksForUpdates(false);
        QVERIFY(!engine.isScheduled());
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
        m_server->routes.insert(feedPath, feed("20270101000000"));
        const AppBundle bundle{{{AppBundle::feedURLKey, m_server->url(feedPath).toString()},
                                {AppBundle::publicKeyKey, m_signer.publicKeyBase64()},
                                {AppBundle::buildVersionKey, runningBuild}},
                               std::nullopt};
        AppUpdater updater(bundle,
                           [options = options()](const AppBundle &bundle, const UpdateConfiguration &configuration,
                                                 UpdateEngineDelegate &delegate) -> std::unique_ptr<UpdateEngine> {
                               FeedUpdateEngine::Options forTest = options;
                               forTest.currentVersion = FeedUpdateEngine::Options::forBundle(bundle).currentVersion;
                               return std::make_unique<FeedUpdateEngine>(configuration, forTest, delegate);
                           });
        QSignalSpy available(&updater, &AppUpdater::updateAvailable);
        updater.start(); // automatic checks are on: a background check starts
        QVERIFY(available.wait(30000));
        QVERIFY(available.first().at(1).toString().startsWith(u"0.2.0 (2027-01-01 "_s));
        QTRY_VERIFY_WITH_TIMEOUT(updater.canCheckForUpdates(), 5000);

        // Nothing newer on the next, user-initiated check.
        m_server->routes.insert(feedPath, feedWith(runningBuild.toLatin1(), m_server->url(u"/x"_s), "c2ln"));
        QSignalSpy upToDate(&updater, &AppUpdater::upToDate);
        updater.checkForUpdates();
        QVERIFY(upToDate.wait(30000));
    }

private:
    UpdateConfiguration configuration() const { return {m_server->url(feedPath), m_signer.publicKeyBase64()}; }
    FeedUpdateEngine::Options options() const
    {
        FeedUpdateEngine::Options options;
        options.currentVersion = runningBuild;
        options.settings =
            std::make_shared<QSettings>(m_dir.filePath(u"settings-%1.ini"_s.arg(m_case)), QSettings::IniFormat);
        options.caCertificates = QList<QSslCertificate>{m_root.certificate};
        options.downloadDirectory = m_downloads;
        options.requestTimeout = std::chrono::seconds(20);
        return options;
    }
    QByteArray feed(const QByteArray &version) const
    {
        return feedWith(version, m_server->url(archivePath), m_signer.sign(m_archive));
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
