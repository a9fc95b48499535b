// Which family enciphered a text, before any key is tried: the statistics a
// lesson reads off a ciphertext (the ACA's tests for a cipher's type). Codes
// or letters; the index of coincidence of single symbols, of the columns at
// a period and of the columns an autokey leaves once its key is taken off;
// the index of pairs and triples taken as a block cipher cuts them, beside
// the same taken one symbol later, and their residues mod 8; doubled
// symbols inside pairs; how well the best row of a Hill inverse reads the
// blocks as Russian; each line's count of symbols. Every hypothesis (a family with its period or block
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
    // Measured with bench/identify_accuracy (IDENTIFY_TRACE=1) on the
    // held-out paragraphs of the Debian FAQ in Russian, 40 texts of 300
    // symbols a family. Russian's index of coincidence of pairs and triples
    // over the 32 symbols (its single index is RussianCoincidence), and the
    // share of its pairs that are one symbol twice (double spaces, НН, СС).
    double russianPairCoincidence = 0.0072;
    double russianTripleCoincidence = 0.0020;
    double russianDoubles = 0.021;
    // Two neighbours that were not enciphered together still coincide more
    // than independent symbols would: their pairs' index is about this
    // times the single index squared (1.8 for prose and for every block
    // cipher's pairs across blocks; 1.15 for the autokey's sums), and
    // triples' about this times the single index times the pairs' (6).
    double neighbourPairFactor = 1.8;
    double autokeyPairFactor = 1.15;
    double tripleFactor = 6;
    // The single index of each block cipher's ciphertext: Playfair keeps
    // the most of Russian, Hill the least; Hill 3 × 3's triples taken one
    // symbol off the blocks still hold two symbols of one block.
    double playfairSingle = 0.0435;
    double twoSquareSingle = 0.039;
    double hillPairSingle = 0.0343;
    double hillTripleSingle = 0.0323;
    double hillTripleShifted = 0.0010;
    // How far a block cipher's single index strays from key to key, as a
    // share of it (the two-square's ran from 0.034 to 0.045).
    double blockKeySpread = 0.08;
    // The index of aligned pairs' residues mod 8 (64 values): Hill 2 × 2
    // keeps the plaintext's, the other pair ciphers scatter them.
    double hillLowPairs = 0.0259;
    double blockLowPairs = 0.0229;
    // Hill's rows: over blocks that no Hill matrix made, the best of the
    // 768 rows for pairs stands about 3.5 standard deviations of one row's
    // fit above the even mean, the best of 24576 for triples 3.8, and
    // scatters about half a deviation.
    double bestPairRowLift = 3.5;
    double bestTripleRowLift = 3.8;
    double bestRowSpread = 0.5;
    // How often the two-square and Hill write a pair of one symbol twice.
    double blockDoubles = 0.033;
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

// The ranking of every family for a text; a text without codes and with
// fewer than two columns' worth of alphabet symbols gets a problem. Homophonic codes (the one rule of
// CodeTokenTally) rank the homophonic family first and take no more tests.
FamilyIdentification identifyFamily(QStringView text, const LanguageModel &model,
                                    const IdentificationSettings &settings = {});

} // namespace Cryptanalysis
