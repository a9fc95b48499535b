// Reading a whole text for its frequencies and its pairs of symbols: as
// plaintext, as ciphertext, as the guess says, or encrypted in memory and
// counted beside its ciphertext; and what analyze reports of it.
#pragma once

#include "frequencycount.h"
#include "homophonic.h"
#include "pairstatistics.h"
#include "periodreport.h"

#include <QByteArray>
#include <QString>
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
    // When given, the text is plaintext, encrypted with this cipher as the
    // tool encrypts it, and its ciphertext is counted as symbols (reading,
    // alphabetCount and randomChoice are then not used).
    const SymbolCipher *symbolCipher = nullptr;
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
    // The alphabet symbols for the period statistics: of the text as read,
    // or of a symbol cipher's ciphertext.
    PeriodSymbols periodSymbols;
    // The pairs of each text written in the alphabet's symbols: of a
    // plaintext, and of a symbol cipher's ciphertext, but not of codes.
    std::optional<PairCounts> plainPairs;
    std::optional<PairCounts> cipherPairs;
};

// Reads input line by line, in memory bounded by its longest line. A guessed
// reading of a file that can be read twice is first taken from its start and
// checked against the whole text, which is read again only when the two
// disagree; a pipe is read once, counted both ways.
AnalysisOutcome analyzeText(QIODevice &input, const AnalysisJob &job);

// What analyze writes of an outcome with characters counted, periods being
// the period statistics of its symbols: the text report (how the text was
// taken, its table or the two side by side, the period statistics, the
// pairs), and the same as a JSON document.
QString analysisTextReport(const AnalysisOutcome &outcome, const PeriodReport &periods);
QByteArray analysisJson(const AnalysisOutcome &outcome, const PeriodReport &periods);
