// Why the keyword attack chose its variant and period, in Russian, one
// sentence a line: what the language model said, what the index of
// coincidence and Kasiski's examination showed of the period, and where the
// search stopped looking.
#pragma once

#include "polyalphabeticattack.h"

#include <QStringList>

namespace Cryptanalysis {

// The reasons for a result whose candidates, evidence, key and flags are
// filled in; foundPeriod is the period searched before a repeating keyword
// was shortened.
QStringList keywordReasons(const KeywordAttackResult &result, const KeywordAttackOptions &options, int foundPeriod);

} // namespace Cryptanalysis
