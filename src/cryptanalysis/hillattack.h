// Breaking Hill's cipher mod 32. With known plaintext the matrix is solved
// outright: n plaintext blocks independent mod 2 make a plaintext matrix P
// with an odd determinant, and K = C·P⁻¹. Without it the inverse matrix is
// found a row at a time: each row alone deciphers one position of every
// block, so each of the 32ⁿ rows is scored by how Russian its symbols' single
// frequencies look, the best few are combined into matrices with an odd
// determinant, and the language model chooses among those, each then
// climbed a row at a time.
#pragma once

#include "hillschedule.h"
#include "polygram.h"
#include "symbolcipher.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace Cryptanalysis {

class LanguageModel;

// A text read as Hill's cipher lays it out: the alphabet symbols of each
// line, whose blocks start at the line's first symbol.
struct HillText
{
    std::vector<std::vector<std::int8_t>> lines;

    static HillText fromText(QStringView text);
    int symbols() const;
};

// The block sizes, 2 and 3, that divide every line of a ciphertext: the
// cipher fills each line's last block, so a line of another length is no
// Hill ciphertext of this program. Empty, with why in Russian, when neither
// does.
std::vector<int> hillBlockSizes(const HillText &ciphertext, QString &problem);

struct HillSolution
{
    std::optional<Polygram::Matrix> matrix; // the key K, c = K·p
    QString problem;                        // in Russian, when there is no matrix
    // The blocks, numbered from 0, whose plaintext made P.
    std::vector<int> blocksUsed;
};

// The key of n × n blocks from plaintext and ciphertext blocks laid side by
// side (equal lengths, whole blocks): the first n blocks independent mod 2
// make P; then every block given must encipher as stated.
HillSolution solveHillMatrix(const std::vector<std::int8_t> &plain, const std::vector<std::int8_t> &cipher, int n);
// The same from a plaintext and its ciphertext as texts, read line by line
// as the cipher aligns them; a plaintext line's last block, if short, is left
// out, since the filler that completed it is not known.
HillSolution solveHillMatrix(QStringView plaintext, QStringView ciphertext, int n);

struct HillAttackOptions
{
    // The search draws no random numbers: a ciphertext gives one result
    // whatever the seed, the number of threads or the machine, unless the
    // time limit cuts it short. Kept so that every attack takes the same
    // options.
    quint64 seed = 1;
    double timeLimitSeconds = 10;
    int jobs = 0; // 0: one per core
    // 0: every size the lines allow.
    int blockSize = 0;
    // Known plaintext whose place is not known: each is tried at every
    // place in every line, and the matrix that its blocks give and that
    // reads the rest best is the answer.
    QStringList cribs;
    // Called from the calling thread after each stage and now and then
    // within one: the time so far, the best key yet and its score.
    std::function<void(double seconds, const SymbolKey &key, double score)> progress;
    // Asked as often as the clock; true ends the search with the best so far.
    std::function<bool()> stopRequested;
    HillSchedule schedule;
};

struct HillAttackResult
{
    QString problem; // not empty when the attack refused: why, in Russian
    SymbolKey key;
    double score = 0; // average log-probability per symbol of the whole decryption, nats
    bool readsAsRussian = false;
    QStringList reasons; // how the search decided, a sentence a line
    double seconds = 0;
    bool cutShort = false;

    bool succeeded() const { return problem.isEmpty(); }
};

// What is wrong with the ciphertext or the options for the attack, one
// reason each; empty when nothing is.
QStringList hillOptionProblems(const HillText &ciphertext, const HillAttackOptions &options);

HillAttackResult crackHill(QStringView ciphertext, const LanguageModel &model, const HillAttackOptions &options = {});

} // namespace Cryptanalysis
