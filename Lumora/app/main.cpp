// The process entry: a clear word when there is no display, one instance per
// user, the live services (or the demo bridge's), and the main window.
#include "AppIdentity.h"
#include "AppUpdater.h"
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

std::shared_ptr<SingleInstanceController> startSingleInstance(const QString &identifier)
{
    const SingleInstanceConfiguration configuration(identifier,
                                                    SingleInstancePolicy::userDefaults(std::make_shared<QSettings>()),
                                                    SingleInstanceLockLocation::applicationSupport());
    const DuplicateLaunchRequest request{{}, {}, QDateTime::currentDateTimeUtc()};
    return SingleInstanceStartup::start(configuration, request, [](const SingleInstanceError &error) {
        const QByteArray line =
            ("Lumora failed to acquire the single-instance lock: "_L1 + error.description()).toUtf8();
        openlog("lumora", LOG_PID, LOG_USER);
        syslog(LOG_ERR, "%s", line.constData());
        closelog();
    });
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

    // The demo is its own application as far as the lock goes, so that it
    // never hands its launch to a real instance or the other way round.
    const QString identifier = options.demo ? AppIdentity::id() + u".Demo"_s : AppIdentity::id();
    const std::shared_ptr<SingleInstanceController> controller = startSingleInstance(identifier);
    if (!controller)
        return 0;

    std::unique_ptr<DemoBridge> demo;
    LumoraApplication::Services services;
    if (options.demo) {
        demo = std::make_unique<DemoBridge>();
        QString error;
        if (!demo->start(&error)) {
            printLine(stderr,
                      HueText::tr(u"Die Demo-Bridge startet nicht: "_s, u"The demo bridge does not start: "_s) + error);
            return 1;
        }
        services.settings = demo->settings();
        services.environment = demo->environment();
    } else {
        services.settings = std::make_shared<QSettings>();
        services.environment = HueStore::Environment::live();
    }
    AppUpdater updater;
    services.updater = &updater;

    LumoraApplication::applyLook();
    LumoraApplication lumora(services);
    QString error;
    if (!lumora.load(&error)) {
        printLine(stderr, u"Lumora: "_s + error);
        return 1;
    }
    updater.start();
    controller->setActivationHandler([&lumora] { lumora.bringForward(); });
    return app.exec();
}
