#pragma once

#include "library/PhraseRecords.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The phrases of a data.json whose bytes are exactly what the program writes for them:
// the indented array of objects with the four string members in order, each string in
// the JSON writer's own escaping. Any other text gives nothing and is read by the general
// JSON parser instead. Reading that layout directly is several times faster than the
// general parser, and a file read this way already holds what a save would write. The
// phrases of a group share one copy of its name.
std::optional<QList<PhraseRecord>> phraseRecordsInWrittenLayout(const QByteArray &bytes);
