#pragma once

#include "HueStore.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <memory>

class QSettings;

/// `lumora --action …` when no Lumora is running: connects to the paired
/// bridge with the application's own pairing, does the one thing and says
/// how it went, without a window or the event stream.
namespace CommandLineAction {

struct Outcome
{
    /// 0: done; 1: not paired, unreachable or refused.
    int status = 1;
    /// One line for the person or the script that ran it.
    QString message;
};

/// Runs `action` (one of LaunchOptions::actions()) against the bridge
/// paired in `settings`, once the bridge has answered.
QCoro::Task<Outcome> run(QString action, std::shared_ptr<QSettings> settings, HueStore::Environment environment);

} // namespace CommandLineAction
