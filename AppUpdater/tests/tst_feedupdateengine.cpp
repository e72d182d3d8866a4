#include "AppUpdater.h"
#include "FeedUpdateEngine.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

#include <openssl/evp.h>

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

struct Signer
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key{EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"),
                                                            &EVP_PKEY_free};

    QString publicKey() const
    {
        QByteArray raw(32, '\0');
        size_t length = 32;
        EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char *>(raw.data()), &length);
        return QString::fromLatin1(raw.toBase64());
    }

    QByteArray sign(const QByteArray &data) const
    {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get());
        QByteArray signature(64, '\0');
        size_t length = 64;
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char *>(signature.data()), &length,
                       reinterpret_cast<const unsigned char *>(data.constData()), size_t(data.size()));
        return signature.toBase64();
    }
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
    void initTestCase();
    void init();
    void outcomes_data();
    void outcomes();
    void untrustedServerIsRefused();
    void stalledServerTimesOut();
    void vetoStopsBeforeDownload();
    void backgroundFailuresStayQuiet();
    void oneCheckAtATime();
    void scheduleFollowsTheSetting();
    void controllerOffersVerifiedUpdate();

private:
    std::unique_ptr<FeedUpdateEngine> engine(RecordingDelegate &delegate,
                                             std::optional<QList<QSslCertificate>> anchors = {});
    void waitForCycle(RecordingDelegate &delegate, int cycles = 1);
    FeedUpdateEngine::Options options(std::optional<QList<QSslCertificate>> anchors) const;

    QTemporaryDir m_dir;
    QSslCertificate m_certificate;
    QSslKey m_key;
    std::unique_ptr<FeedServer> m_server;
    Signer m_signer;
    QByteArray m_archive;
    int m_case = 0;
    QString m_downloads;
};

void TestFeedUpdateEngine::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QProcess openssl;
    openssl.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s,
                                 u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s, u"-days"_s, u"2"_s, u"-subj"_s,
                                 u"/CN=127.0.0.1"_s, u"-addext"_s, u"subjectAltName=IP:127.0.0.1"_s, u"-keyout"_s,
                                 m_dir.filePath(u"key.pem"_s), u"-out"_s, m_dir.filePath(u"cert.pem"_s)});
    QVERIFY(openssl.waitForFinished(30000));
    QCOMPARE(openssl.exitCode(), 0);
    QFile certificate(m_dir.filePath(u"cert.pem"_s));
    QFile key(m_dir.filePath(u"key.pem"_s));
    QVERIFY(certificate.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
    m_certificate = QSslCertificate(&certificate, QSsl::Pem);
    m_key = QSslKey(&key, QSsl::Ec, QSsl::Pem);
    QVERIFY(!m_certificate.isNull() && !m_key.isNull());

    m_server = std::make_unique<FeedServer>(m_certificate, m_key);
    m_archive = QByteArray("Lumora update archive ").repeated(1000);
    m_server->routes.insert(u"/Lumora-0.2.0.tar.gz"_s, {200, m_archive, false});
}

void TestFeedUpdateEngine::init()
{
    m_downloads = m_dir.filePath(u"downloads-%1"_s.arg(++m_case));
    m_server->hits.clear();
}

FeedUpdateEngine::Options TestFeedUpdateEngine::options(std::optional<QList<QSslCertificate>> anchors) const
{
    FeedUpdateEngine::Options options;
    options.currentVersion = runningBuild;
    options.currentDisplayVersion = u"0.1.0"_s;
    options.settings =
        std::make_shared<QSettings>(m_dir.filePath(u"settings-%1.ini"_s.arg(m_case)), QSettings::IniFormat);
    options.caCertificates = anchors ? anchors : QList<QSslCertificate>{m_certificate};
    options.downloadDirectory = m_downloads;
    options.requestTimeout = std::chrono::seconds(20);
    return options;
}

std::unique_ptr<FeedUpdateEngine> TestFeedUpdateEngine::engine(RecordingDelegate &delegate,
                                                               std::optional<QList<QSslCertificate>> anchors)
{
    UpdateConfiguration configuration{m_server->url(u"/feed.xml"_s), m_signer.publicKey()};
    return std::make_unique<FeedUpdateEngine>(configuration, options(std::move(anchors)), delegate);
}

void TestFeedUpdateEngine::waitForCycle(RecordingDelegate &delegate, int cycles)
{
    QTRY_VERIFY_WITH_TIMEOUT(delegate.finished.size() >= cycles, 30000);
}

void TestFeedUpdateEngine::outcomes_data()
{
    QTest::addColumn<QByteArray>("feed");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<int>("errorCode"); // 0: none
    QTest::addColumn<int>("archiveDownloads");

    const QUrl archive = QUrl(u"https://127.0.0.1/Lumora-0.2.0.tar.gz"_s); // port set in outcomes()
    const QByteArray good = Signer().sign({}); // replaced in outcomes() by the real signature
    Q_UNUSED(good);
    QTest::newRow("newer") << QByteArray("newer") << true << 0 << 1;
    QTest::newRow("equal") << QByteArray("equal") << false << 0 << 0;
    QTest::newRow("older") << QByteArray("older") << false << 0 << 0;
    QTest::newRow("bad signature") << QByteArray("forged") << false << int(FeedUpdateEngine::signatureInvalid) << 1;
    QTest::newRow("signature of 63 bytes")
        << QByteArray("short signature") << false << int(FeedUpdateEngine::signatureInvalid) << 0;
    QTest::newRow("signature not base64")
        << QByteArray("garbled signature") << false << int(FeedUpdateEngine::signatureInvalid) << 0;
    QTest::newRow("not XML") << QByteArray("not xml") << false << int(FeedUpdateEngine::feedMalformed) << 0;
    QTest::newRow("enormous feed") << QByteArray("enormous") << false << int(FeedUpdateEngine::feedUnavailable) << 0;
    QTest::newRow("missing feed") << QByteArray("404") << false << int(FeedUpdateEngine::feedUnavailable) << 0;
    QTest::newRow("missing archive") << QByteArray("no archive") << false << int(FeedUpdateEngine::archiveUnavailable)
                                     << 0;
}

void TestFeedUpdateEngine::outcomes()
{
    QFETCH(QByteArray, feed);
    QFETCH(bool, offered);
    QFETCH(int, errorCode);
    QFETCH(int, archiveDownloads);

    const QUrl archive = m_server->url(u"/Lumora-0.2.0.tar.gz"_s);
    const QByteArray signature = m_signer.sign(m_archive);
    QByteArray document;
    if (feed == "newer")
        document = feedWith("20270101000000", archive, signature);
    else if (feed == "equal")
        document = feedWith(runningBuild.toLatin1(), archive, signature);
    else if (feed == "older")
        document = feedWith("20261130000000", archive, signature);
    else if (feed == "forged")
        document = feedWith("20270101000000", archive, m_signer.sign(m_archive + "!"));
    else if (feed == "short signature")
        document = feedWith("20270101000000", archive, QByteArray::fromBase64(signature).left(63).toBase64());
    else if (feed == "garbled signature")
        document = feedWith("20270101000000", archive, "@@@@");
    else if (feed == "not xml")
        document = "<html><body>Service unavailable";
    else if (feed == "enormous")
        document = "<rss><channel>" + QByteArray(2 * 1024 * 1024, ' ') + "</channel></rss>";
    else if (feed == "no archive")
        document = feedWith("20270101000000", m_server->url(u"/gone.tar.gz"_s), signature);
    if (feed == "404")
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
    QCOMPARE(delegate.notFound, (feed == "equal" || feed == "older") ? 1 : 0);

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
        QCOMPARE(file.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());
    } else {
        QVERIFY2(kept.isEmpty(), qPrintable(kept.join(u", "_s)));
    }
}

void TestFeedUpdateEngine::untrustedServerIsRefused()
{
    m_server->routes.insert(
        u"/feed.xml"_s,
        {200, feedWith("20270101000000", m_server->url(u"/Lumora-0.2.0.tar.gz"_s), m_signer.sign(m_archive)), false});
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

void TestFeedUpdateEngine::stalledServerTimesOut()
{
    m_server->routes.insert(u"/feed.xml"_s, {200, {}, true});
    RecordingDelegate delegate;
    UpdateConfiguration configuration{m_server->url(u"/feed.xml"_s), m_signer.publicKey()};
    FeedUpdateEngine::Options options = this->options(std::nullopt);
    options.requestTimeout = std::chrono::seconds(1);
    FeedUpdateEngine engine(configuration, options, delegate);
    QVERIFY(!engine.start());
    engine.checkForUpdates();
    waitForCycle(delegate);
    QCOMPARE(delegate.aborted.size(), 1);
    QCOMPARE(delegate.aborted.first().code, int(FeedUpdateEngine::feedUnavailable));
}

void TestFeedUpdateEngine::vetoStopsBeforeDownload()
{
    m_server->routes.insert(
        u"/feed.xml"_s,
        {200, feedWith("20270101000000", m_server->url(u"/Lumora-0.2.0.tar.gz"_s), m_signer.sign(m_archive)), false});
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

void TestFeedUpdateEngine::backgroundFailuresStayQuiet()
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

void TestFeedUpdateEngine::oneCheckAtATime()
{
    m_server->routes.insert(u"/feed.xml"_s,
                            {200, feedWith(runningBuild.toLatin1(), m_server->url(u"/x"_s), "c2ln"), false});
    RecordingDelegate delegate;
    auto engine = this->engine(delegate);
    engine->checkForUpdates(); // not started: ignored
    QVERIFY(!engine->canCheckForUpdates());
    QVERIFY(!engine->start());
    engine->checkForUpdates();
    engine->checkForUpdates();
    engine->checkForUpdatesInBackground();
    waitForCycle(delegate);
    QTest::qWait(200);
    QCOMPARE(delegate.finished.size(), 1);
    QCOMPARE(m_server->hits.value(u"/feed.xml"_s), 1);

    // Destroying the engine during a check ends it quietly.
    engine->checkForUpdates();
    engine.reset();
    QTest::qWait(200);
    QCOMPARE(delegate.finished.size(), 1);
}

void TestFeedUpdateEngine::scheduleFollowsTheSetting()
{
    m_server->routes.insert(u"/feed.xml"_s,
                            {200, feedWith(runningBuild.toLatin1(), m_server->url(u"/x"_s), "c2ln"), false});
    RecordingDelegate delegate;
    UpdateConfiguration configuration{m_server->url(u"/feed.xml"_s), m_signer.publicKey()};
    FeedUpdateEngine::Options options = this->options(std::nullopt);
    options.checkInterval = std::chrono::milliseconds(300);
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
    // Checks stop with the schedule (one may still be on its way).
    QTRY_VERIFY_WITH_TIMEOUT(!engine.isChecking(), 30000);
    const qsizetype cyclesWhenStopped = delegate.finished.size();
    QVERIFY(cyclesWhenStopped < 20);
    QTest::qWait(700);
    QCOMPARE(delegate.finished.size(), cyclesWhenStopped);
    QCOMPARE(reported, QList<bool>{false});
    QVERIFY(!options.settings->value(FeedUpdateEngine::automaticChecksKey).toBool());
    engine.setAutomaticallyChecksForUpdates(false);
    QCOMPARE(reported.size(), 1);
    engine.setAutomaticallyChecksForUpdates(true);
    QVERIFY(engine.isScheduled());
    QCOMPARE(reported, (QList<bool>{false, true}));
}

void TestFeedUpdateEngine::controllerOffersVerifiedUpdate()
{
    m_server->routes.insert(
        u"/feed.xml"_s,
        {200, feedWith("20270101000000", m_server->url(u"/Lumora-0.2.0.tar.gz"_s), m_signer.sign(m_archive)), false});
    const AppBundle bundle{{{AppBundle::feedURLKey, m_server->url(u"/feed.xml"_s).toString()},
                            {AppBundle::publicKeyKey, m_signer.publicKey()},
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

QTEST_GUILESS_MAIN(TestFeedUpdateEngine)
#include "tst_feedupdateengine.moc"
