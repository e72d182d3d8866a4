// Names from the bridge and from the network are shown as text, never read as
// markup. Qt Quick's text items, the style's tooltips, dialog titles and the
// labels inside buttons and menu items guess the format of their text and
// read a name like "<img src=…><h1>…" as markup: they draw a heading and fetch
// the image. This reads every QML file of the product and finds each place
// that would let them guess, and each colour or focus frame not Lumora's own.
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Controls that draw a text of theirs with a label of the style, and the part
// that replaces that label ("" when nothing can: the text must be the
// program's own).
const QHash<QString, QPair<QString, QString>> drawnText = [] {
    QHash<QString, QPair<QString, QString>> drawn;
    for (const QString &button :
         {u"Button"_s, u"ToolButton"_s, u"RoundButton"_s, u"DelayButton"_s, u"CheckBox"_s, u"RadioButton"_s,
          u"Switch"_s, u"TabButton"_s, u"ItemDelegate"_s, u"CheckDelegate"_s, u"RadioDelegate"_s, u"SwitchDelegate"_s,
          u"SwipeDelegate"_s, u"MenuItem"_s, u"MenuBarItem"_s})
        drawn.insert(button, {u"text"_s, u"contentItem"_s});
    drawn.insert(u"Dialog"_s, {u"title"_s, u"header"_s});
    drawn.insert(u"GroupBox"_s, {u"title"_s, u"label"_s});
    drawn.insert(u"Menu"_s, {u"title"_s, {}});
    drawn.insert(u"Action"_s, {u"text"_s, {}});
    drawn.insert(u"TextField"_s, {u"placeholderText"_s, {}});
    drawn.insert(u"TextArea"_s, {u"placeholderText"_s, {}});
    return drawn;
}();

// The source with comments removed and strings emptied (or kept), lines kept.
QString code(const QString &source, bool keepStrings = false)
{
    QString out;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar c = source[i];
        const QChar next = i + 1 < source.size() ? source[i + 1] : QChar();
        if (c == u'/' && next == u'/') {
            while (i + 1 < source.size() && source[i + 1] != u'\n')
                ++i;
        } else if (c == u'/' && next == u'*') {
            for (i += 2; i + 1 < source.size() && !(source[i] == u'*' && source[i + 1] == u'/'); ++i)
                out += source[i] == u'\n' ? u"\n"_s : QString();
            ++i;
        } else if (c == u'"' || c == u'\'' || c == u'`') {
            const qsizetype start = i;
            for (++i; i < source.size() && source[i] != c; ++i)
                i += source[i] == u'\\' ? 1 : 0;
            // A template string may hold anything: it never counts as the program's own text.
            out += keepStrings ? source.mid(start, i - start + 1) : c == u'`' ? u"`?`"_s : u"\"\""_s;
        } else {
            out += c;
        }
    }
    return out;
}

// The program's own words: string literals and their translations only.
bool isOwnText(QString expression)
{
    static const QRegularExpression own(uR"(^[\s""(),+]*$)"_s);
    return own.match(expression.remove(u"Rules.tr"_s).remove(u"qsTr"_s)).hasMatch();
}

// What a component is made of: the type it builds on and the properties it
// sets, so that its uses are judged as that type.
struct Declared
{
    QString type;
    QHash<QString, QString> set;
};
using Components = QHash<QString, Declared>;

struct Element
{
    QString type; // empty for a block of code
    int line = 0;
    QString component; // the name it is declared as, for `component Name: Type {`
    QString body;      // the element's own text, without its children
};

// Each finding as "line: what". Learns the file's inline components into
// `components`, and returns the file's own root in `root`.
QStringList findings(const QString &source, Components components = {}, Declared *root = nullptr)
{
    static const QRegularExpression token(uR"((?<![\w.])([A-Z]\w*(?:\.[A-Z]\w*)?)\s*\{|[{}\n])"_s);
    static const QRegularExpression attachedTip(uR"(\bToolTip\s*\.\s*\w)"_s);
    static const QRegularExpression component(uR"(\bcomponent\s+(\w+)\s*:\s*$)"_s);
    static const QRegularExpression assignment(uR"(^\s*(?:property\s+\w+\s+)?([\w.]+)\s*:\s*(.*)$)"_s);
    static const QRegularExpression continued(uR"([-+?,&|]\s*$|^\s*[-+?:.&|])"_s);
    const QString text = code(source);
    QStringList found;
    QList<Element> stack{{}};
    int line = 1;
    qsizetype from = 0;
    const auto close = [&](const Element &element) {
        Declared declared{element.type.section(u'.', -1), {}};
        QString statement;
        for (const QString &part : element.body.split(QRegularExpression(u"[;\n]"_s))) {
            const bool unbalanced =
                statement.count(u'(') + statement.count(u'[') > statement.count(u')') + statement.count(u']');
            statement = unbalanced || continued.match(statement).hasMatch() || continued.match(part).hasMatch()
                            ? statement + u' ' + part
                            : part;
            if (const auto match = assignment.match(statement); match.hasMatch())
                declared.set.insert(match.captured(1), match.captured(2));
        }
        for (int depth = 0; components.contains(declared.type) && depth < 8; ++depth) {
            const Declared base = components.value(declared.type);
            declared.type = base.type;
            for (auto it = base.set.cbegin(); it != base.set.cend(); ++it)
                declared.set.insert(it.key(), declared.set.value(it.key(), it.value()));
        }
        const QString &type = declared.type;
        const auto &set = declared.set;
        const auto report = [&](const QString &what) { found << u"%1: %2"_s.arg(element.line).arg(what); };
        if ((type == "Text"_L1 || type == "Label"_L1 || type == "TextEdit"_L1 || type == "TextArea"_L1)
            && !set.contains(u"textFormat"_s))
            report(type + u" without a textFormat (PlainLabel shows text as text)"_s);
        if (type == "ToolTip"_L1 && !set.contains(u"contentItem"_s))
            report(u"ToolTip drawn by the style's label (use PlainToolTip)"_s);
        const auto drawn = drawnText.constFind(type);
        if (drawn != drawnText.cend() && set.contains(drawn->first) && !isOwnText(set.value(drawn->first))
            && (drawn->second.isEmpty() || !set.contains(drawn->second)))
            report(type + u"'s "_s + drawn->first + u" is not the program's own text"_s);
        if (!element.component.isEmpty())
            components.insert(element.component, declared);
        if (root && stack.size() == 1)
            *root = declared;
    };
    for (auto it = token.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        const QString between = text.mid(from, match.capturedStart() - from);
        from = match.capturedEnd();
        stack.last().body += between + match.captured(1);
        if (attachedTip.match(between).hasMatch())
            found << u"%1: attached ToolTip, shared and drawn by the style (use PlainToolTip)"_s.arg(line);
        if (match.captured() == "\n"_L1) {
            stack.last().body += u'\n';
            ++line;
        } else if (match.captured() == "}"_L1) {
            if (stack.size() > 1)
                close(stack.takeLast());
        } else {
            stack.append({match.captured(1), line, component.match(between).captured(1), {}});
        }
    }
    return found;
}

// The lines that write a colour instead of naming one of Theme's. The shades
// Fusion derives from the palette (which Theme fills) are the style's own.
QList<int> writtenColours(const QString &source)
{
    static const QRegularExpression colour(
        uR"(\bQt\s*\.\s*(rgba|hsla|hsva|darker|lighter|tint)\s*\((?!\s*Fusion\.)|[\x22\x27](#[0-9a-fA-F]{3,8}|white|black)[\x22\x27])"_s);
    QList<int> found;
    const QStringList lines = code(source, true).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (colour.match(lines[i]).hasMatch())
            found << int(i + 1);
    }
    return found;
}

// The lines that place one of the style's focusable controls, which draw the
// keyboard's focus their own way; the Ring controls draw Lumora's one ring.
// A file built on such a control (its root) is where that is taken care of.
QList<int> ownFocusFrames(const QString &source)
{
    static const QRegularExpression element(uR"((?<![\w.])([A-Z]\w*)\s*\{)"_s);
    static const QSet<QString> framed{u"Button"_s,    u"ToolButton"_s,  u"RoundButton"_s, u"DelayButton"_s,
                                      u"CheckBox"_s,  u"RadioButton"_s, u"Switch"_s,      u"TabButton"_s,
                                      u"TextField"_s, u"TextArea"_s,    u"ComboBox"_s,    u"SpinBox"_s,
                                      u"Slider"_s,    u"RangeSlider"_s, u"Dial"_s};
    QList<int> found;
    const QString text = code(source);
    bool root = true;
    for (auto it = element.globalMatch(text); it.hasNext(); root = false) {
        const auto match = it.next();
        if (!root && framed.contains(match.captured(1)))
            found << int(text.left(match.capturedStart()).count(u'\n') + 1);
    }
    return found;
}

} // namespace

class PlainTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rules_data()
    {
        QTest::addColumn<QString>("qml");
        QTest::addColumn<QStringList>("lines");
        // Each row holds cases of one kind; the lines are those reported.
        QTest::newRow("labels and tooltips")
            << u"Item {\n  Label {\n    text: name\n  }\n  ToolTip.text: \"Hi\"\n  ToolTip {\n    text: name\n  }\n"
               u"  PlainLabel { text: name }\n  T.Text { text: \"<b>\"; textFormat: Text.StyledText }\n}"_s
            << QStringList{u"2"_s, u"5"_s, u"6"_s};
        QTest::newRow("controls named after a thing")
            << u"Item {\n  Button { text: item.name }\n  Button { text: Rules.tr(\"Lö{schen\", 'Del}ete') + \"…\" }\n"
               u"  MenuItem {\n    text: Rules.tr(\"Szene \",\n     \"Scene \")\n     + scene.name\n  }\n"
               u"  Dialog { title: \"Delete \" + name }\n}"_s
            << QStringList{u"2"_s, u"4"_s, u"9"_s};
        QTest::newRow("dialogs made elsewhere, one with its own title label")
            << u"Item {\n  component Ask: Dialog {\n    header: PlainLabel { text: parent.title }\n  }\n"
               u"  component Tell: Dialog {}\n  Ask { title: name }\n  Tell {\n    title: name\n  }\n}"_s
            << QStringList{u"7"_s};
        QTest::newRow("only code counts")
            << u"Item {\n  // Label { ToolTip.text: x }\n  /* Text {\n */ property string s: \"Label { ToolTip.text\"\n}"_s
            << QStringList();
    }
    void rules()
    {
        QFETCH(QString, qml);
        QFETCH(QStringList, lines);
        QStringList found = findings(qml);
        for (QString &finding : found)
            finding = finding.section(u':', 0, 0);
        QCOMPARE(found, lines);
    }

    // Rules of single lines: colours named from Theme, focus drawn by the ring.
    void lines_data()
    {
        QTest::addColumn<QString>("qml");
        QTest::addColumn<QList<int>>("lines");
        QTest::newRow("written")
            << u"Item {\n  color: \"#0a84ff\"\n  border.color: on ? 'white' : Qt.rgba(1, 1, 1, 0.5)\n"
               u"  property color c: Qt.darker(Theme.card)\n}"_s
            << QList<int>{2, 3, 4};
        QTest::newRow("named, or only mentioned")
            << u"Item {\n  color: Theme.text // not \"white\"\n  border.color: \"transparent\"\n"
               u"  text: \"whiteboard #1\"\n  /* Qt.rgba(0, 0, 0, 1) */\n  color: Qt.darker(Fusion.outline(p), 1.1)\n}"_s
            << QList<int>();
        QTest::newRow("the style's own focus frame")
            << u"Button {\n  Switch { }\n  RingButton {}\n  T.TextField {\n  }\n  component Ask: TextField {\n  }\n"
               u"  // ComboBox {\n  property string s: \"Slider {\"\n}"_s
            << QList<int>{2, 6};
    }
    void lines()
    {
        QFETCH(QString, qml);
        QFETCH(QList<int>, lines);
        QCOMPARE(QByteArray(QTest::currentDataTag()).contains("focus") ? ownFocusFrames(qml) : writtenColours(qml),
                 lines);
    }

    // Every QML file of the screens and the gallery keeps to the rules, its
    // uses of the others' components judged by what they are made of; the
    // screens' colours all come from Theme (the gallery's stand for lights).
    void productSources()
    {
        QMap<QString, QString> sources;
        const QDir root(QStringLiteral(LUMORA_SOURCE_DIR));
        for (const QString &folder : {u"Lumora/qml"_s, u"tools/ui-gallery"_s}) {
            QDirIterator it(root.filePath(folder), {u"*.qml"_s}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = root.relativeFilePath(it.next());
                if (path.split(u'/').contains(u"tests"_s))
                    continue;
                QFile file(root.filePath(path));
                QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
                sources.insert(path, QString::fromUtf8(file.readAll()));
            }
        }
        QVERIFY2(sources.size() > 30, "the product's QML files were not found");
        Components components;
        for (auto it = sources.cbegin(); it != sources.cend(); ++it)
            findings(it.value(), {}, &components[QFileInfo(it.key()).baseName()]);
        QStringList found;
        for (auto it = sources.cbegin(); it != sources.cend(); ++it) {
            for (const QString &finding : findings(it.value(), components))
                found << it.key() + u':' + finding;
            for (const int line : it.key().startsWith("Lumora/"_L1) ? writtenColours(it.value()) : QList<int>())
                found << u"%1:%2: a colour of its own (name one of Theme's)"_s.arg(it.key()).arg(line);
            for (const int line : it.key().startsWith("Lumora/"_L1) ? ownFocusFrames(it.value()) : QList<int>())
                found << u"%1:%2: the style's own focus frame (use the Ring control)"_s.arg(it.key()).arg(line);
        }
        for (const QString &finding : std::as_const(found))
            qWarning("%s", qPrintable(finding));
        QVERIFY2(
            found.isEmpty(),
            qPrintable(u"%1 places show outside text as markup or write a colour (listed above)"_s.arg(found.size())));
    }
};

QTEST_GUILESS_MAIN(PlainTextTest)
#include "tst_plaintext.moc"
