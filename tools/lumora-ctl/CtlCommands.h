#pragma once

#include "CtlArguments.h"
#include "CtlFailure.h"
#include "HueCancellationToken.h"

#include <QCoro/QCoroTask>

/// Runs one command line to its end. Every failure is reported on standard
/// error here and turns into the exit status; nothing throws out.
namespace CtlCommands {

/// `interrupt` is cancelled by SIGINT or SIGTERM: `watch` then ends with
/// success, any other command with status 130 (as a shell reports Ctrl-C).
QCoro::Task<int> run(CtlArguments arguments, HueCancellationToken interrupt);

/// Checks the command's positional arguments before any traffic; throws a
/// usage failure.
void checkPositional(const CtlArguments &arguments);

} // namespace CtlCommands
