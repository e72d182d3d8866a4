// lumora-ctl: the Lumora bridge from the command line, with the same library,
// settings and credential store as the desktop application.
#include "AppIdentity.h"
#include "CtlArguments.h"
#include "CtlCommands.h"
#include "CtlFailure.h"
#include "CtlFormat.h"
#include "CtlSignals.h"
#include "HueCancellationToken.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QCoro::Task<void> runAndQuit(CtlArguments arguments, HueCancellationToken interrupt)
{
    const int status = co_await CtlCommands::run(std::move(arguments), std::move(interrupt));
    QCoreApplication::exit(status);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The application's own names: the paired bridge, favourites and order
    // live in the same settings as the desktop application's.
    AppIdentity::apply();
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMORA_VERSION));
    // The library's debug lines are for developers; QT_LOGGING_RULES still wins.
    QLoggingCategory::setFilterRules(u"lumora.*.debug=false"_s);

    CtlArguments arguments;
    try {
        arguments = CtlArguments::parse(QCoreApplication::arguments());
    } catch (const CtlFailure &failure) {
        CtlFormat::err(failure.message());
        return int(failure.exit());
    }
    if (arguments.helpRequested) {
        CtlFormat::out(CtlArguments::usage());
        return 0;
    }
    if (arguments.versionRequested) {
        CtlFormat::out(u"lumora-ctl "_s + QCoreApplication::applicationVersion());
        return 0;
    }

    const HueCancellationToken interrupt;
    CtlSignals signalWatch;
    QObject::connect(&signalWatch, &CtlSignals::interrupted, &app, [interrupt] { interrupt.cancel(); });
    // Started from the event loop, so that exit() always finds it running.
    QTimer::singleShot(0, &app, [arguments, interrupt] { runAndQuit(arguments, interrupt); });
    return QCoreApplication::exec();
}
