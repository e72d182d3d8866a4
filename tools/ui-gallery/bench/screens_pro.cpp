// The screens against a Bridge Pro home (150 lights, 50 rooms and zones, 500
// scenes) served by the simulator: how long each screen takes to show, how
// long frames take while a card is dragged, and how many cards one live event
// creates or destroys. Prints "RESULT name value" lines.
// Run under Xvfb for real frame times:
//   xvfb-run -a build/tools/ui-gallery/lumora-bench-screens
#include "BridgeSimulator.h"
#include "LumoraApplication.h"
#include "LumoraStore.h"
#include "QuickHarness.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void collect(QQuickItem *item, QSet<QQuickItem *> &cards)
{
    const QByteArray type = item->metaObject()->className();
    if (type.startsWith("LightCard") || type.startsWith("GroupCard") || type.startsWith("SceneTile"))
        cards.insert(item);
    for (QQuickItem *child : item->childItems())
        collect(child, cards);
}

QQuickItem *find(QQuickItem *root, QLatin1StringView name)
{
    if (root->objectName() == name && root->isVisible())
        return root;
    for (QQuickItem *child : root->childItems()) {
        if (QQuickItem *found = find(child, name))
            return found;
    }
    return nullptr;
}

// Waits until `done` holds and the window has drawn a frame after that.
bool settle(QQuickWindow *window, const std::function<bool()> &done)
{
    if (!QTest::qWaitFor(done, 30000))
        return false;
    bool drawn = false;
    const auto connection = QObject::connect(window, &QQuickWindow::frameSwapped, [&drawn] { drawn = true; });
    window->update();
    const bool ok = QTest::qWaitFor([&drawn] { return drawn; }, 5000);
    QObject::disconnect(connection);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    TestBridge bridge;
    bridge.simulator()->generateHome(SimHomeSize::bridgePro());
    LumoraApplication::applyLook();
    LumoraApplication lumora({bridge.settings(), bridge.environment(), nullptr});
    if (!lumora.load())
        return 1;
    QQuickWindow *window = lumora.mainWindow();
    window->resize(1280, 900);
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return 1;
    auto *store =
        qmlEngine(window->contentItem())->singletonInstance<LumoraStore *>(qmlTypeId("Lumora", 1, 0, "Store"));
    if (!QTest::qWaitFor([store] { return store->phase() == LumoraStore::Ready; }, 30000))
        return 1;
    if (!QTest::qWaitFor([store] { return store->snapshot().lights.size() >= 100; }, 30000))
        return 1;
    const HomeSnapshot home = store->snapshot();
    std::printf("RESULT rooms %lld\nRESULT zones %lld\nRESULT lights %lld\nRESULT scenes %lld\n",
                static_cast<long long>(home.rooms.size()), static_cast<long long>(home.zones.size()),
                static_cast<long long>(home.lights.size()), static_cast<long long>(home.scenes.size()));

    // Time to show each screen, from the selection to the first frame drawn.
    const auto show = [&](const QString &name, const QString &selection, const std::function<bool()> &ready) {
        store->select(u"favorites"_s);
        settle(window, [] { return true; });
        QElapsedTimer timer;
        timer.start();
        store->select(selection);
        const bool ok = settle(window, ready);
        std::printf("RESULT show_%s_ms %.1f%s\n", qPrintable(name), timer.nsecsElapsed() / 1e6, ok ? "" : " (timeout)");
    };
    const QString biggest = [&] {
        const HueGroup *best = nullptr;
        for (const auto &room : home.rooms) {
            if (!best || room.lights.size() + room.scenes.size() > best->lights.size() + best->scenes.size())
                best = &room;
        }
        return best ? best->id : QString();
    }();
    show(u"home"_s, u"home"_s, [&] {
        QQuickItem *grid = find(window->contentItem(), "roomsGrid"_L1);
        return grid && grid->property("count").toInt() == home.rooms.size();
    });
    show(u"room"_s, u"group:"_s + biggest, [&] {
        QQuickItem *grid = find(window->contentItem(), "lightsGrid"_L1);
        return grid && grid->property("count").toInt() == store->snapshot().group(biggest)->lights.size();
    });

    // Cards made or dropped by one live event on the home overview.
    store->select(u"home"_s);
    settle(window, [&] { return find(window->contentItem(), "roomsGrid"_L1) != nullptr; });
    QTest::qWait(500);
    QSet<QQuickItem *> before;
    collect(window->contentItem(), before);
    // A light of the first room, which the overview shows.
    const HueLight light = home.rooms.first().lights.first();
    bridge.changeFromOutside(light.id, {{u"on"_s, QVariantMap{{u"on"_s, !light.isOn}}}});
    settle(window, [&] {
        const HueLight *now = store->snapshot().light(light.id);
        return now && now->isOn != light.isOn;
    });
    QSet<QQuickItem *> after;
    collect(window->contentItem(), after);
    std::printf("RESULT cards_on_home %lld\n", static_cast<long long>(before.size()));
    std::printf("RESULT cards_created_by_event %lld\n", static_cast<long long>((after - before).size()));
    std::printf("RESULT cards_destroyed_by_event %lld\n", static_cast<long long>((before - after).size()));

    // Frame times while a room card is dragged across the rooms grid.
    QQuickItem *grid = find(window->contentItem(), "roomsGrid"_L1);
    QList<double> frames;
    QElapsedTimer frame;
    QObject::connect(
        window, &QQuickWindow::beforeSynchronizing, window, [&frame] { frame.start(); }, Qt::DirectConnection);
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [&] {
            if (frame.isValid())
                frames.append(frame.nsecsElapsed() / 1e6);
        },
        Qt::DirectConnection);
    const QPoint start = grid->mapToScene({150, 20}).toPoint();
    QTest::mousePress(window, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 60; ++step) {
        QTest::mouseMove(window, start + QPoint(step * 10, (step % 20) * 4));
        QTest::qWait(16);
    }
    QTest::mouseRelease(window, Qt::LeftButton, {}, start + QPoint(600, 0));
    QTest::qWait(500);
    std::sort(frames.begin(), frames.end());
    if (!frames.isEmpty()) {
        std::printf("RESULT drag_frames %lld\n", static_cast<long long>(frames.size()));
        std::printf("RESULT drag_frame_median_ms %.2f\n", frames[frames.size() / 2]);
        std::printf("RESULT drag_frame_max_ms %.2f\n", frames.last());
        std::printf(
            "RESULT drag_frames_over_16_7ms %lld\n",
            static_cast<long long>(std::count_if(frames.cbegin(), frames.cend(), [](double ms) { return ms > 16.7; })));
    }
    return 0;
}
