#include "AppVersionDisplay.h"
#include "AppVersionInfo.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAppVersion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formattedBuild_data()
    {
        QTest::addColumn<QString>("build");
        QTest::addColumn<int>("offsetSeconds");
        QTest::addColumn<QString>("expected");

        QTest::newRow("west across midnight") << u"20260301003000"_s << -3600 << u"2026-02-28 23:30:00"_s;
        QTest::newRow("leap day") << u"20240229120000"_s << 0 << u"2024-02-29 12:00:00"_s;
        QTest::newRow("29 February of a common year") << u"20250229120000"_s << 0 << u"20250229120000"_s;
        QTest::newRow("second 60") << u"20261206162760"_s << 0 << u"20261206162760"_s;
        QTest::newRow("month 13") << u"20261306162720"_s << 0 << u"20261306162720"_s;
        QTest::newRow("13 digits") << u"2026120616272"_s << 0 << u"2026120616272"_s;
        QTest::newRow("15 digits") << u"202402291200000"_s << 0 << u"202402291200000"_s;
        QTest::newRow("a sign") << u"-0240229235959"_s << 0 << u"-0240229235959"_s;
        const QString withNul = QString::fromLatin1("2024022923595\0", 14);
        QTest::newRow("a NUL") << withNul << 0 << withNul;
        QTest::newRow("Arabic-Indic digits") << u"٢٠٢٦١٢٠٦١٦٢٧٢٠"_s << 0 << u"٢٠٢٦١٢٠٦١٦٢٧٢٠"_s;
    }
    void formattedBuild()
    {
        QFETCH(QString, build);
        QFETCH(int, offsetSeconds);
        QFETCH(QString, expected);
        QCOMPARE(AppVersionDisplay::formattedBuildVersion(build, QTimeZone(offsetSeconds)), expected);
    }
    void labelsFromBundle_data()
    {
        QTest::addColumn<QVariantMap>("info");
        QTest::addColumn<QString>("label");

        QTest::newRow("nothing") << QVariantMap{} << u"Version 0 (0)"_s;
        QTest::newRow("timestamp build") << QVariantMap{{AppBundle::shortVersionKey, u"1.4.2"_s},
                                                        {AppBundle::buildVersionKey, u"20261206162720"_s}}
                                         << u"Version 1.4.2 (2026-12-06 17:27:20)"_s;
        QTest::newRow("values that are not text")
            << QVariantMap{{AppBundle::shortVersionKey, 3}, {AppBundle::buildVersionKey, QStringList{u"1"_s}}}
            << u"Version 0 (0)"_s;
    }
    void labelsFromBundle()
    {
        QFETCH(QVariantMap, info);
        QFETCH(QString, label);
        const AppVersionInfo version = AppVersionInfo::current(AppBundle{info, std::nullopt});
        QCOMPARE(AppVersionDisplay::label(version, QTimeZone(3600)), label);
    }
    void buildDateFromExecutable()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(u"Lumora"_s));
        const QDateTime stamp(QDate(2025, 3, 4), QTime(5, 6, 7), QTimeZone::utc());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.setFileTime(stamp, QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(AppVersionInfo::current(AppBundle{{}, file.fileName()}).buildDate, std::optional(stamp));
        QCOMPARE(AppVersionInfo::current(AppBundle{{}, dir.filePath(u"gone"_s)}).buildDate, std::nullopt);
    }
    void compiledInBundle()
    {
        // The build writes the project version and, as the build, the UTC time of
        // the sources (the last commit's, or SOURCE_DATE_EPOCH), never a later one.
        const AppVersionInfo info = AppVersionInfo::current();
        QVERIFY(!info.shortVersion.isEmpty() && info.shortVersion != u"0"_s);
        const auto components = AppVersionDisplay::timestampComponents(info.buildVersion.toUtf8());
        QVERIFY2(components, qPrintable(info.buildVersion));
        QVERIFY(components->date() <= QDateTime::currentDateTimeUtc().addSecs(60));
    }
    void aboutPanelOptions()
    {
        const AppVersionInfo info{u"2.0"_s, u"20260101000000"_s, std::nullopt};
        QCOMPARE(AppVersionDisplay::standardAboutPanelOptions(u"Lumora"_s, info, QTimeZone(-3600)),
                 (QVariantMap{{AppVersionDisplay::applicationNameOption, u"Lumora"_s},
                              {AppVersionDisplay::applicationVersionOption, u"2.0 (2025-12-31 23:00:00)"_s},
                              {AppVersionDisplay::versionOption, QString()}}));
    }
};

QTEST_GUILESS_MAIN(TestAppVersion)
#include "tst_appversion.moc"
