#pragma once

#include <QString>
#include <QStringList>

/// Every user-facing text is written inline as a German/English pair; this
/// picks the member for the user's language, decided once per process.
namespace HueText {

/// True when German is the user's choice among the two languages the
/// application speaks, from the preferred UI languages in order (which honour
/// LANGUAGE and LC_MESSAGES). Computed on first use from any thread, then fixed.
bool usesGerman();

/// The rule itself, over an ordered list of language tags: German when the
/// first tag that is German or English (any region) is German.
bool usesGerman(const QStringList &preferredLanguages);

/// The German text first, the English text second.
QString tr(const QString &german, const QString &english);

} // namespace HueText
