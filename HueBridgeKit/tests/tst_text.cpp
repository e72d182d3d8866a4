#include "HueText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rule_data();
    void rule();
    void fixedForTheProcess();
};

void TestText::rule_data()
{
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<bool>("german");
    QTest::newRow("empty") << QStringList{} << false;
    QTest::newRow("de") << QStringList{u"de"_s} << true;
    QTest::newRow("DE-AT upper case") << QStringList{u"DE-AT"_s, u"en"_s} << true;
    QTest::newRow("de_CH underscore") << QStringList{u"de_CH"_s} << true;
    QTest::newRow("first wins") << QStringList{u"fr-FR"_s, u"de-DE"_s} << false;
    QTest::newRow("english") << QStringList{u"en-US"_s, u"de"_s} << false;
    QTest::newRow("C locale") << QStringList{u"C"_s} << false;
}

void TestText::rule()
{
    QFETCH(QStringList, languages);
    QFETCH(bool, german);
    QCOMPARE(HueText::usesGerman(languages), german);
}

void TestText::fixedForTheProcess()
{
    const bool first = HueText::usesGerman();
    QLocale::setDefault(QLocale(first ? QLocale::English : QLocale::German));
    QCOMPARE(HueText::usesGerman(), first);
    QCOMPARE(HueText::tr(u"Licht"_s, u"Light"_s), first ? u"Licht"_s : u"Light"_s);
}

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
