// A tiny application for the multi-process tests: it runs the single-instance
// start-up against a given folder and reports on standard output what
// happened and which requests it received.
#include "SingleInstanceController.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments();
    if (arguments.size() < 2)
        return 64;
    arguments.removeFirst();
    const SingleInstanceConfiguration configuration(
        u"app.lumora.HelperTest"_s, SingleInstancePolicy::alwaysSingle(),
        SingleInstanceLockLocation::directory(QUrl::fromLocalFile(arguments.takeFirst())));
    const DuplicateLaunchRequest request{arguments, {}, QDateTime::currentDateTimeUtc()};

    QTextStream out(stdout);
    const SingleInstanceStartupResult result = SingleInstanceController::start(configuration, request);
    if (result.kind != SingleInstanceStartupResult::Kind::run) {
        out << (result.error ? u"failed: "_s + result.error->description() : u"alreadyRunning"_s) << '\n';
        return 3;
    }

    result.controller->setDuplicateLaunchHandler([&out](const QList<DuplicateLaunchRequest> &requests) {
        out << "activated " << requests.size() << '\n';
        for (const DuplicateLaunchRequest &received : requests)
            out << "received " << received.arguments.join(u' ') << '\n';
        out.flush();
    });
    out << "run " << ::getpid() << '\n';
    out.flush();
    // Never outlive a test that forgot to end us.
    QTimer::singleShot(120'000, &app, &QCoreApplication::quit);
    return app.exec();
}
