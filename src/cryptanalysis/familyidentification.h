// Which family enciphered a text, before any key is tried: the statistics a
// lesson reads off a ciphertext (the ACA's tests for a cipher's type). Codes
// or letters; the index of coincidence of single symbols, of the columns at
// a period and of the columns an autokey leaves once its key is taken off;
// the index of pairs and triples taken as a block cipher cuts them, beside
// the same taken one symbol later; doubled symbols inside pairs; each line's
// count of symbols. Every hypothesis (a family with its period or block
// size) says what each statistic should come to; the ranking is by how well
// the text agrees, and the keyword ciphers are told apart by how well their
// columns read as Russian's profile shifted one way or the other.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace Cryptanalysis {

class LanguageModel;

struct FamilyGuess
{
    QString family;    // as the family list names it: "vigenere"
    double share = 0;  // of the ranking's belief, 0 to 1
    int period = 0;    // the keyword ciphers' period, 1 for one alphabet
    int blockSize = 0; // 2 for the pair ciphers, 2 or 3 for Hill
    QString parameters; // in Russian: "период 5", "пары", "блоки по 3"
    // What decided, short sentences with numbers, in Russian.
    QStringList evidence;
};

struct FamilyIdentification
{
    QString problem; // not empty when there is nothing to identify: why
    // Every family, the most likely first.
    std::vector<FamilyGuess> ranking;
    // What the whole text shows, whatever the family: its symbols, lines
    // and index of coincidence.
    QStringList textEvidence;

    bool succeeded() const { return problem.isEmpty() && !ranking.empty(); }
};

// The tuning numbers, each with where it came from.
struct IdentificationSettings
{
    // Russian's index of coincidence for aligned pairs and triples, over the
    // 32 symbols: measured on the held-out paragraphs of the Debian FAQ in
    // Russian (0.0066 and 0.0014; their single symbols give 0.063, as the
    // model's corpus does).
    double russianPairCoincidence = 0.0066;
    double russianTripleCoincidence = 0.0014;
    // The share of aligned pairs of Russian prose that are one symbol twice
    // (the same paragraphs: 2 %, double spaces and НН, СС).
    double russianDoubles = 0.02;
    // The single index of Playfair's and the two-square's ciphertext as a
    // share of the way from random to Russian: measured with random
    // rectangles on the same paragraphs (bench/identify_accuracy).
    double playfairSingleLevel = 0.25;
    double twoSquareSingleLevel = 0.35;
    // Coincidences are counted over pairs of symbols that share symbols, so
    // they scatter more than independent counts: the log-likelihoods are
    // tempered by this factor (tuned on bench/identify_accuracy).
    double temper = 0.5;
    // The period and the autokey's length are the best of many: under a
    // hypothesis without them, the best index stands this many standard
    // deviations above its level.
    double bestOfManyLift = 1.5;
    // Longest period and autokey length looked at; a column needs this many
    // symbols to count.
    int maxPeriod = 20;
    int minColumnSymbols = 6;
};

// The ranking of every family but for a text; a text without one alphabet
// symbol (and no codes) gets a problem. Homophonic codes (the one rule of
// CodeTokenTally) rank the homophonic family first and take no more tests.
FamilyIdentification identifyFamily(QStringView text, const LanguageModel &model,
                                    const IdentificationSettings &settings = {});

} // namespace Cryptanalysis
