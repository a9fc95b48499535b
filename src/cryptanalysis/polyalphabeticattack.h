// Breaking the keyword ciphers without their key: Vigenère, Beaufort and the
// autokey (Gronsfeld when asked). The period is looked for as a lesson
// teaches it, by the index of coincidence and by Kasiski's examination, and
// then decided with the language model: every variant and period is
// searched, column shifts first from the letter frequencies and then
// climbed with the model, and the hypothesis whose decryption reads best,
// less a charge for the length of its keyword, is the answer.
#pragma once

#include "keywordcolumns.h"
#include "keywordschedule.h"
#include "periodicity.h"
#include "symbolcipher.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <vector>

namespace Cryptanalysis {

class LanguageModel;

enum class KeywordVariant { Vigenere, Gronsfeld, Beaufort, Autokey };

// The cipher's name as a lesson says it: "Виженера", "Гронсфельда",
// "Бофора", "с самоключом", to follow "шифр".
QString variantName(KeywordVariant variant);
SymbolRule ruleOf(KeywordVariant variant);
// The shifts a keyword symbol may take: Gronsfeld's ten digits, else 32.
int shiftChoices(KeywordVariant variant);

// A keyword symbol the user knows: position from 0, shift 0 to 31 (0 to 9
// for Gronsfeld), the shift of a symbol being its index.
struct KeywordLock
{
    int position = 0;
    int shift = 0;
};

struct KeywordProgress
{
    double elapsedSeconds = 0;
    int hypotheses = 0; // variants and periods in all
    // Those climbed so far; those far behind at a glance are never climbed.
    int climbed = 0;
    // The best so far.
    KeywordVariant variant = KeywordVariant::Vigenere;
    int period = 0;
    SymbolKey key;
    double score = 0; // average log-probability per symbol, nats
};

struct KeywordAttackOptions
{
    quint64 seed = 1;
    double timeLimitSeconds = 10;
    // Threads over the hypotheses; 0: one per core. A seed gives one result
    // whatever the number, unless the time limit cuts the search short.
    int jobs = 1;
    // Fixed by the caller; otherwise Vigenère, Beaufort and the autokey are
    // each tried (Gronsfeld only when asked for).
    std::optional<KeywordVariant> variant;
    int period = 0; // 0: found
    std::vector<KeywordLock> locks;
    // Called from the calling thread after each stage of the search and
    // at most schedule.progressIntervalMs apart within one.
    std::function<void(const KeywordProgress &)> progress;
    // Asked as often as the clock, from every thread of the search; true
    // ends it as the time limit does, with the best so far.
    std::function<bool()> stopRequested;
    KeywordSchedule schedule;
};

// One variant and period as the search left it.
struct KeywordCandidate
{
    KeywordVariant variant = KeywordVariant::Vigenere;
    int period = 0;
    SymbolKey key;
    // Of the symbols searched: the whole text, or on a long one its first
    // schedule.searchedSymbols.
    double score = 0;    // average log-probability per symbol, nats
    double evidence = 0; // the sum in nats, less the keyword's charge
    int restarts = 0;
};

// What the ciphertext showed of its period before any key was tried.
struct PeriodEvidence
{
    std::vector<PeriodCoincidence> coincidence;
    int coincidencePeriod = 0; // 0: none reads as one alphabet
    KasiskiExamination kasiski;
    int kasiskiPeriod = 0;     // 0: no period stands out
    int maxPeriod = 0;         // the longest period searched
};

struct KeywordAttackResult
{
    // Not empty when the attack refused: why, in Russian.
    QString problem;

    KeywordVariant variant = KeywordVariant::Vigenere;
    int period = 0;   // the keyword's length, shortest that deciphers alike
    SymbolKey key;
    double score = 0; // average log-probability per symbol, nats
    bool readsAsRussian = false;
    // Every hypothesis searched, the best evidence first.
    std::vector<KeywordCandidate> candidates;
    PeriodEvidence evidence;
    // Why this variant and period, one sentence a line, in Russian.
    QStringList reasons;
    double seconds = 0;
    bool cutShort = false; // by the time limit or a stop

    bool succeeded() const { return problem.isEmpty(); }
};

// The reason the options cannot be kept with this ciphertext (a lock out of
// range, a period longer than the text allows), or empty.
QString keywordOptionProblem(const KeywordCipherText &text, const KeywordAttackOptions &options);

KeywordAttackResult crackPolyalphabetic(const KeywordCipherText &text, const LanguageModel &model,
                                        const KeywordAttackOptions &options = {});
KeywordAttackResult crackPolyalphabetic(QStringView ciphertext, const LanguageModel &model,
                                        const KeywordAttackOptions &options = {});

} // namespace Cryptanalysis
