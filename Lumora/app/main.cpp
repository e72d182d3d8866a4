// The process entry: a clear word when there is no display, one instance per
// user, the live services (or the demo bridge's), and the main window.
#include "AppIdentity.h"
#include "AppUpdater.h"
#include "CommandLineAction.h"
#include "DemoBridge.h"
#include "DuplicateLaunchRequest.h"
#include "HueText.h"
#include "LaunchOptions.h"
#include "LumoraApplication.h"
#include "SingleInstanceController.h"
#include "SingleInstanceStartup.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

#include <cstdio>
#include <syslog.h>

using namespace Qt::StringLiterals;

namespace {

/// Qt aborts when it cannot reach a display; say so plainly instead.
bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void printLine(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

/// Qt's own texts (network errors, standard buttons) in the chosen language.
void loadQtTranslations(QGuiApplication &app)
{
    if (!HueText::usesGerman())
        return;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const auto &name : {u"qtbase_de"_s, u"qtdeclarative_de"_s}) {
        auto *translator = new QTranslator(&app);
        if (translator->load(name, folder))
            QGuiApplication::installTranslator(translator);
        else
            delete translator;
    }
}

SingleInstanceConfiguration instanceConfiguration(const LaunchOptions &options)
{
    // The demo is its own application as far as the lock goes, so that it
    // never hands its launch to a real instance or the other way round.
    const QString identifier = options.demo ? AppIdentity::id() + u".Demo"_s : AppIdentity::id();
    return SingleInstanceConfiguration(identifier, SingleInstancePolicy::userDefaults(std::make_shared<QSettings>()),
                                       SingleInstanceLockLocation::applicationSupport());
}

/// What the running instance is asked to do when this launch is the second.
DuplicateLaunchRequest launchRequest(const LaunchOptions &options)
{
    return DuplicateLaunchRequest{options.handedOver(), {}, QDateTime::currentDateTimeUtc()};
}

std::shared_ptr<SingleInstanceController> startSingleInstance(const LaunchOptions &options)
{
    return SingleInstanceStartup::start(
        instanceConfiguration(options), launchRequest(options), [](const SingleInstanceError &error) {
            const QByteArray line =
                ("Lumora failed to acquire the single-instance lock: "_L1 + error.description()).toUtf8();
            openlog("lumora", LOG_PID, LOG_USER);
            syslog(LOG_ERR, "%s", line.constData());
            closelog();
        });
}

/// The store's services: the live ones, or the demo bridge's once it runs.
bool makeServices(const LaunchOptions &options, std::unique_ptr<DemoBridge> &demo,
                  LumoraApplication::Services &services)
{
    if (!options.demo) {
        services.settings = std::make_shared<QSettings>();
        services.environment = HueStore::Environment::live();
        return true;
    }
    demo = std::make_unique<DemoBridge>();
    QString error;
    if (!demo->start(&error)) {
        printLine(stderr,
                  HueText::tr(u"Die Demo-Bridge startet nicht: "_s, u"The demo bridge does not start: "_s) + error);
        return false;
    }
    services.settings = demo->settings();
    services.environment = demo->environment();
    return true;
}

/// `--action`: handed to the running instance when there is one; otherwise
/// done here, without a window (and without needing a display), and the
/// exit status says how it went.
int runAction(int &argc, char **argv, const LaunchOptions &options)
{
    AppIdentity::apply();
    QCoreApplication app(argc, argv);
    const SingleInstanceStartupResult started =
        SingleInstanceController::start(instanceConfiguration(options), launchRequest(options));
    if (started.kind == SingleInstanceStartupResult::Kind::alreadyRunning) {
        printLine(stdout, HueText::tr(u"An das laufende Lumora übergeben."_s, u"Handed to the running Lumora."_s));
        return 0;
    }
    // Holding the lock (or running without one): a launch meanwhile waits its turn.
    std::unique_ptr<DemoBridge> demo;
    LumoraApplication::Services services;
    if (!makeServices(options, demo, services))
        return 1;
    const CommandLineAction::Outcome outcome =
        QCoro::waitFor(CommandLineAction::run(options.action, services.settings, services.environment));
    printLine(outcome.status == 0 ? stdout : stderr, outcome.message);
    return outcome.status;
}

} // namespace

int main(int argc, char *argv[])
{
    const LaunchOptions options = LaunchOptions::parse([&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list.append(QString::fromLocal8Bit(argv[i]));
        return list;
    }());
    if (options.help || options.version || !options.error.isEmpty()) {
        if (!options.error.isEmpty())
            printLine(stderr, options.error);
        if (options.version)
            printLine(stdout, u"Lumora "_s + QStringLiteral(LUMORA_VERSION));
        if (options.help || !options.error.isEmpty())
            printLine(options.error.isEmpty() ? stdout : stderr, LaunchOptions::usage());
        return options.error.isEmpty() ? 0 : 2;
    }
    if (!options.action.isEmpty())
        return runAction(argc, argv, options);
    if (!hasDisplay()) {
        printLine(stderr, HueText::tr(u"Lumora braucht eine grafische Sitzung, es wurde aber kein Bildschirm "
                                      u"gefunden (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt)."_s,
                                      u"Lumora needs a graphical session, but no display was found (neither "
                                      u"DISPLAY nor WAYLAND_DISPLAY is set)."_s));
        return 1;
    }

    // The names settings and the lock folder derive from, before anything reads them.
    AppIdentity::apply();
    QGuiApplication::setDesktopFileName(AppIdentity::id());
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationDisplayName(u"Lumora"_s);
    loadQtTranslations(app);

    const std::shared_ptr<SingleInstanceController> controller = startSingleInstance(options);
    if (!controller)
        return 0;

    std::unique_ptr<DemoBridge> demo;
    LumoraApplication::Services services;
    if (!makeServices(options, demo, services))
        return 1;
    AppUpdater updater;
    services.updater = &updater;

    LumoraApplication::applyLook();
    LumoraApplication lumora(services);
    if (options.background || options.quick) {
        lumora.loadInBackground();
    } else {
        QString error;
        if (!lumora.load(&error)) {
            printLine(stderr, u"Lumora: "_s + error);
            return 1;
        }
    }
    if (options.quick)
        lumora.openQuickPanel();
    updater.start();
    controller->setDuplicateLaunchHandler([&lumora](const QList<DuplicateLaunchRequest> &requests) {
        // A wake-up whose request could not be read still asks for the window.
        if (requests.isEmpty())
            lumora.bringForward();
        for (const DuplicateLaunchRequest &request : requests)
            lumora.handleLaunch(request.arguments);
    });
    return app.exec();
}
