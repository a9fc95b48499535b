// Breaking a monoalphabetic substitution without its key. Each cipher symbol
// is a code to the search over codes, and a plain symbol may hold one code
// only, so that every key it tries is a permutation.
#pragma once

#include "crackoptions.h"

#include "symbolcipher.h"

#include <QString>
#include <QStringView>

namespace Cryptanalysis {

class LanguageModel;

struct MonoalphabeticResult
{
    // A permutation: alphabet[plain] = cipher. The cipher symbols the text
    // never shows take the plain symbols left over, in order.
    SymbolKey key;
    QString plaintext; // the ciphertext deciphered with key
    double score = 0;  // average log-probability per symbol of the searched text, nats
    double seconds = 0;
    int restarts = 0;
    // Restarts that ended at the key found (or as good): a key that many
    // restarts reach is most likely the best the model knows of.
    int agreeingRestarts = 0;
    int unseenSymbols = 0; // cipher symbols the text never shows
};

// Options with problems (monoalphabeticOptionProblems) are the caller's to
// refuse; the attack leaves out the locks and cribs it cannot keep. It reads
// options.symbolLocks and options.monoalphabeticSchedule, not the code locks
// and the schedule of the homophonic attack.
MonoalphabeticResult crackMonoalphabetic(QStringView ciphertext, const LanguageModel &model,
                                         const CrackOptions &options = {});

} // namespace Cryptanalysis
