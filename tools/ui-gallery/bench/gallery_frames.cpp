// Frame times of the gallery while a scripted pointer drags the brightness
// slider, the colour wheel and a card in a grid of 60 cards. Run it on a real
// display (or Xvfb); it prints one line per scenario. Not a test: the numbers
// depend on the machine and its load.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMutex>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

Q_IMPORT_QML_PLUGIN(LumoraPlugin)
Q_IMPORT_QML_PLUGIN(LumoraGalleryPlugin)

using namespace Qt::StringLiterals;

namespace {

struct Scenario
{
    QString name;
    QString mode;
    int cards = 8;
    QString target;
    // Pointer position over time (seconds) relative to the target's top-left.
    std::function<QPointF(double, QSizeF)> path;
};

struct Frames
{
    QMutex mutex;
    QElapsedTimer clock;
    qint64 started = -1;
    QList<double> work;  // ms from the frame's start (after animating) to its swap
    QList<qint64> swaps; // ns
};

// Repeater delegates are not QObject children of the root; walk the item tree.
QQuickItem *findItem(QQuickItem *item, const QString &name)
{
    if (item->objectName() == name)
        return item;
    const auto children = item->childItems();
    for (auto *child : children) {
        if (auto *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = std::min(values.size() - 1, qsizetype(std::ceil(p * double(values.size())) - 1));
    return values[std::max<qsizetype>(index, 0)];
}

bool run(const Scenario &scenario, double seconds, QTextStream &out)
{
    // Declared before the view: the render thread may still report a frame
    // while the view is being torn down.
    Frames frames;
    QQuickView view;
    view.engine()->addImportPath(u"qrc:/qt/qml"_s);
    view.setInitialProperties({{u"mode"_s, scenario.mode}, {u"gridCards"_s, scenario.cards}});
    view.setSource(QUrl(u"qrc:/qt/qml/LumoraGallery/Gallery.qml"_s));
    if (view.status() != QQuickView::Ready)
        return false;
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.resize(1180, 900);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return false;
    QTest::qWait(500);
    auto *target = findItem(view.rootObject(), scenario.target);
    if (!target)
        return false;
    const QPointF origin = target->mapToScene(QPointF(0, 0));
    const QSizeF size(target->width(), target->height());

    frames.clock.start();
    QObject::connect(
        &view, &QQuickWindow::afterAnimating, &view,
        [&] {
            QMutexLocker lock(&frames.mutex);
            frames.started = frames.clock.nsecsElapsed();
        },
        Qt::DirectConnection);
    QObject::connect(
        &view, &QQuickWindow::frameSwapped, &view,
        [&] {
            QMutexLocker lock(&frames.mutex);
            const qint64 now = frames.clock.nsecsElapsed();
            frames.swaps.append(now);
            if (frames.started >= 0)
                frames.work.append(double(now - frames.started) / 1e6);
            frames.started = -1;
        },
        Qt::DirectConnection);

    const auto scene = [&](double t) { return (origin + scenario.path(t, size)).toPoint(); };
    QTest::mousePress(&view, Qt::LeftButton, {}, scene(0));
    {
        QMutexLocker lock(&frames.mutex);
        frames.work.clear();
        frames.swaps.clear();
    }
    QElapsedTimer elapsed;
    elapsed.start();
    int moves = 0;
    // A pointer event roughly every 8 ms, faster than the display, so that
    // every frame has fresh input to show.
    while (elapsed.elapsed() < qint64(seconds * 1000)) {
        QTest::mouseMove(&view, scene(double(elapsed.elapsed()) / 1000.0));
        ++moves;
        QTest::qWait(8);
    }
    QList<double> work;
    QList<qint64> swaps;
    {
        QMutexLocker lock(&frames.mutex);
        work = frames.work;
        swaps = frames.swaps;
    }
    QTest::mouseRelease(&view, Qt::LeftButton, {}, scene(seconds));
    QTest::qWait(600);

    QList<double> intervals;
    for (qsizetype i = 1; i < swaps.size(); ++i)
        intervals.append(double(swaps[i] - swaps[i - 1]) / 1e6);
    const auto over = std::count_if(work.begin(), work.end(), [](double ms) { return ms > 16.7; });
    out << scenario.name << ": " << swaps.size() << " frames in " << seconds << " s (" << moves << " moves)"
        << "; frame work ms p50 " << QString::number(percentile(work, 0.5), 'f', 2) << ", p95 "
        << QString::number(percentile(work, 0.95), 'f', 2) << ", max " << QString::number(percentile(work, 1.0), 'f', 2)
        << ", over 16.7 ms: " << over << "; interval ms p50 " << QString::number(percentile(intervals, 0.5), 'f', 2)
        << ", max " << QString::number(percentile(intervals, 1.0), 'f', 2) << Qt::endl;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    const double seconds = qEnvironmentVariableIsSet("LUMORA_BENCH_SECONDS")
                               ? qEnvironmentVariable("LUMORA_BENCH_SECONDS").toDouble()
                               : 4.0;
    const QList<Scenario> scenarios{
        {u"brightness slider"_s, u"controls"_s, 8, u"slider40"_s,
         [](double t, QSizeF s) {
             const double x = s.width() / 2 + (s.width() / 2 + 20) * std::sin(t * 2 * std::numbers::pi * 0.7);
             return QPointF(x, s.height() / 2);
         }},
        {u"colour wheel"_s, u"controls"_s, 8, u"wheel"_s,
         [](double t, QSizeF s) {
             const double a = t * 2 * std::numbers::pi * 0.6;
             const double r = s.width() / 2 * (0.2 + 0.9 * std::abs(std::sin(t * 1.3)));
             return QPointF(s.width() / 2 + r * std::cos(a), s.height() / 2 + r * std::sin(a));
         }},
        {u"grid card, 60 cards"_s, u"grid"_s, 60, u"grid"_s,
         [](double t, QSizeF) {
             // From the first card's title across the grid and back, over several rows.
             const double a = t * 2 * std::numbers::pi * 0.35;
             return QPointF(150 + 400 * (1 - std::cos(a)), 20 + 200 * (1 - std::cos(1.5 * a)));
         }},
    };
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    for (const auto &scenario : scenarios) {
        if (!only.isEmpty() && !scenario.name.startsWith(only))
            continue;
        if (!run(scenario, seconds, out)) {
            out << scenario.name << ": could not be set up" << Qt::endl;
            return 1;
        }
    }
    return 0;
}
