// The bridge trust decision over certificate chains, without a network.
#include "HueBridgeTrust.h"
#include "SimCertificates.h"

#include <QCryptographicHash>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString bridgeID = u"C42996FFFEC4E2D8"_s;

// A leaf named with the bridge id, valid in the given time.
SimIdentity leaf(const SimIdentity &issuer, const QDateTime &notBefore, const QDateTime &notAfter = {})
{
    SimCertificateOptions options;
    options.commonName = bridgeID;
    options.notBefore = notBefore;
    options.notAfter = notAfter;
    return SimCertificates::makeLeaf(issuer, options);
}

} // namespace

class TestTrust : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const SimIdentity bridge = SimCertificates::makeBridgeLeaf(m_root, bridgeID, u"BSB003"_s);
        SimCertificateOptions intermediateOptions;
        intermediateOptions.commonName = u"intermediate"_s;
        intermediateOptions.certificateAuthority = true;
        const SimIdentity viaIntermediate =
            SimCertificates::makeLeaf(SimCertificates::makeLeaf(m_root, intermediateOptions), bridgeID);
        // A name in subjectAltName does not stand in for the common name.
        SimCertificateOptions altName;
        altName.commonName = u"001788FFFE0A0B0C"_s;
        altName.subjectAltNames = {u"DNS:"_s + bridgeID, u"IP:127.0.0.1"_s};
        SimCertificateOptions noName;
        noName.extraSubjectFields = {{"O"_ba, u"Philips Hue"_s}};
        const std::pair<QString, SimIdentity> identities[] = {
            {u"bridge"_s, bridge},
            {u"other bridge"_s, SimCertificates::makeBridgeLeaf(m_root, u"001788FFFE0A0B0C"_s)},
            {u"forged"_s, SimCertificates::makeSelfSigned(bridgeID)},
            {u"foreign"_s, SimCertificates::makeBridgeLeaf(m_otherRoot, bridgeID)},
            {u"via intermediate"_s, viaIntermediate},
            // A leaf that is no certificate authority must not be able to issue.
            {u"via non-CA"_s, SimCertificates::makeLeaf(SimCertificates::makeLeaf(m_root, u"not-a-ca"_s), bridgeID)},
            {u"expired"_s, leaf(m_root, now.addDays(-30), now.addDays(-1))},
            {u"not yet valid"_s, leaf(m_root, now.addDays(2))},
            {u"alt name"_s, SimCertificates::makeLeaf(m_root, altName)},
            {u"no name"_s, SimCertificates::makeLeaf(m_root, noName)},
            {u"padded"_s, SimCertificates::makeLeaf(m_root, bridgeID + u' ')},
        };
        for (const auto &[name, identity] : identities) {
            QVERIFY2(!identity.isNull(), qPrintable(name));
            m_chains.insert(name, identity.chain);
        }
        m_chains.insert(u"bridge leaf only"_s, {bridge.certificate});
        m_chains.insert(u"via intermediate, intermediate missing"_s, {viaIntermediate.certificate, m_root.certificate});
        m_chains.insert(u"empty"_s, {});
        m_chains.insert(u"null certificate"_s, {QSslCertificate()});
    }
    void embeddedRoot()
    {
        // The digest stands for every byte of the certificate.
        const auto root = HueBridgeTrust::rootCertificate();
        QVERIFY(root);
        QCOMPARE(root->digest(QCryptographicHash::Sha256).toHex(':').toUpper(),
                 "F0:BD:8E:65:09:E8:2F:77:4D:63:BC:00:9D:53:88:C9:69:FE:3D:CF:7D:6D:54:1D:63:51:B7:2B:89:8D:8A:CF"_ba);
        // It anchors nothing else: a chain of a generated root is refused even
        // without an expected id; the root itself passes when no id is asked.
        QVERIFY(!HueBridgeTrust::evaluate(m_chains.value(u"bridge"_s), std::nullopt));
        QVERIFY(HueBridgeTrust::evaluate({*root}, std::nullopt));
    }
    void evaluate_data()
    {
        QTest::addColumn<QString>("chain");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::addColumn<bool>("trusted");

        const std::optional<QString> none;
        QTest::newRow("bridge, mixed case") << u"bridge"_s << std::optional(u"c42996fffeC4E2d8"_s) << true;
        QTest::newRow("leaf without the root") << u"bridge leaf only"_s << std::optional(bridgeID) << true;
        QTest::newRow("other bridge") << u"other bridge"_s << std::optional(bridgeID) << false;
        QTest::newRow("other bridge, no id yet") << u"other bridge"_s << none << true;
        QTest::newRow("id prefix only") << u"bridge"_s << std::optional(bridgeID.left(12)) << false;
        QTest::newRow("id with space") << u"bridge"_s << std::optional<QString>(bridgeID + u' ') << false;
        QTest::newRow("name with space") << u"padded"_s << std::optional(bridgeID) << false;
        QTest::newRow("forged self-signed") << u"forged"_s << std::optional(bridgeID) << false;
        QTest::newRow("other root") << u"foreign"_s << std::optional(bridgeID) << false;
        QTest::newRow("other root, no id yet") << u"foreign"_s << none << false;
        QTest::newRow("via intermediate") << u"via intermediate"_s << std::optional(bridgeID) << true;
        QTest::newRow("intermediate missing")
            << u"via intermediate, intermediate missing"_s << std::optional(bridgeID) << false;
        QTest::newRow("issued by a non-CA") << u"via non-CA"_s << std::optional(bridgeID) << false;
        QTest::newRow("expired") << u"expired"_s << std::optional(bridgeID) << false;
        QTest::newRow("not yet valid") << u"not yet valid"_s << std::optional(bridgeID) << false;
        QTest::newRow("alt name is not the name") << u"alt name"_s << std::optional(bridgeID) << false;
        QTest::newRow("no common name") << u"no name"_s << std::optional(bridgeID) << false;
        QTest::newRow("no common name, no id yet") << u"no name"_s << none << true;
        QTest::newRow("empty chain") << u"empty"_s << none << false;
        QTest::newRow("null certificate") << u"null certificate"_s << none << false;
    }
    void evaluate()
    {
        QFETCH(QString, chain);
        QFETCH(std::optional<QString>, expected);
        QFETCH(bool, trusted);
        QVERIFY(m_chains.contains(chain));
        QCOMPARE(HueBridgeTrust::evaluate(m_chains.value(chain), expected, m_root.certificate), trusted);
        // The anchor is the only one: the same chain against another root never passes.
        QVERIFY(!HueBridgeTrust::evaluate(m_chains.value(chain), expected, m_otherRoot.certificate)
                || chain == u"foreign"_s);
    }

private:
    SimIdentity m_root = SimCertificates::makeRoot();
    SimIdentity m_otherRoot = SimCertificates::makeRoot();
    QHash<QString, QList<QSslCertificate>> m_chains;
};

QTEST_GUILESS_MAIN(TestTrust)
#include "tst_trust.moc"
