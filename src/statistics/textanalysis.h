// Reading a whole text for its frequencies: as plaintext, as ciphertext, as
// the guess says, or encrypted in memory and counted beside its ciphertext.
#pragma once

#include "frequencycount.h"
#include "periodreport.h"
#include "homophonic.h"

#include <QtGlobal>

#include <optional>

class QIODevice;
class TextEncoding;

struct AnalysisJob
{
    // Of the input; a byte-order mark overrides it.
    const TextEncoding *encoding = nullptr;
    FrequencyAnalysis::Reading reading = FrequencyAnalysis::Reading::Guess;
    const KeyTable *table = nullptr;
    // From 1 on: the text is plaintext, encrypted with this key as the tool
    // encrypts it (reading is then ignored).
    int alphabetCount = 0;
    // Random homophones for that encryption instead of codes in turn.
    RandomCodeChoice *randomChoice = nullptr;
};

struct AnalysisOutcome
{
    enum class Status { Done, ReadFailed, LineTooLong };

    Status status = Status::Done;
    qint64 lineNumber = 0; // the line too long, counted from 1
    std::optional<FrequencyCounts> plain;
    std::optional<FrequencyCounts> cipher;
    // What the reading was guessed from, when it was guessed.
    std::optional<CodeTokenTally> guess;
    // The text's alphabet symbols, for its period statistics.
    PeriodSymbols periodSymbols;
};

// Reads input line by line, in memory bounded by its longest line. A guessed
// reading of a file that can be read twice is first taken from its start and
// checked against the whole text, which is read again only when the two
// disagree; a pipe is read once, counted both ways.
AnalysisOutcome analyzeText(QIODevice &input, const AnalysisJob &job);
