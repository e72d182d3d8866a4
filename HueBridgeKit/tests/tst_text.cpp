#include "HueText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rule_data()
    {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<bool>("german");
        QTest::newRow("empty") << QStringList{} << false;
        QTest::newRow("de") << QStringList{u"de"_s} << true;
        QTest::newRow("DE-AT upper case") << QStringList{u"DE-AT"_s, u"en"_s} << true;
        QTest::newRow("de_CH underscore") << QStringList{u"de_CH"_s} << true;
        QTest::newRow("german after french") << QStringList{u"fr-FR"_s, u"de-DE"_s} << true;
        QTest::newRow("english after french") << QStringList{u"fr-FR"_s, u"en-GB"_s, u"de"_s} << false;
        QTest::newRow("neither") << QStringList{u"fr"_s, u"it-IT"_s} << false;
        QTest::newRow("another language starting de") << QStringList{u"dsb"_s, u"del"_s, u"en"_s, u"de"_s} << false;
        QTest::newRow("with encoding") << QStringList{u"C"_s, u"de_DE.UTF-8"_s} << true;
    }
    void rule()
    {
        QFETCH(QStringList, languages);
        QFETCH(bool, german);
        QCOMPARE(HueText::usesGerman(languages), german);
    }
    void fixedForTheProcess()
    {
        const bool first = HueText::usesGerman();
        QLocale::setDefault(QLocale(first ? QLocale::English : QLocale::German));
        QCOMPARE(HueText::usesGerman(), first);
        QCOMPARE(HueText::tr(u"Licht"_s, u"Light"_s), first ? u"Licht"_s : u"Light"_s);
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
