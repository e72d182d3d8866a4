#pragma once

#include <QString>
#include <QStringList>

/// Every user-facing text is written inline as a German/English pair; this
/// picks the member for the user's language, decided once per process.
namespace HueText {

/// True when the first of the user's preferred UI languages is German (any
/// region). Computed on first use from any thread, then fixed.
bool usesGerman();

/// The rule itself, over an ordered list of language tags.
bool usesGerman(const QStringList &preferredLanguages);

/// The German text first, the English text second.
QString tr(const QString &german, const QString &english);

} // namespace HueText
