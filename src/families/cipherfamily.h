// The cipher families that the command-line tool and the lab offer, in the
// order a course meets them. Each family is one unit of the same shape: its
// key (the forms a user gives it in, reading a key file, writing one, making
// one at random) and the cipher that key makes. Front ends take the families
// from cipherFamilies() and never ask which family they hold, so a family is
// added by adding it to the list.
#pragma once

#include "symbolcipher.h"
#include "symbolkeys.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace Cryptanalysis {
class LanguageModel;
}

// The forms a key is given in on the command line or in the lab.
enum class KeyForm {
    Keyword, // --keyword WORD
    Shift,   // --shift N (Caesar)
    Affine,  // --affine A,B
    Digits,  // --digits 31415 (Gronsfeld)
    Atbash,  // --atbash
    Matrix,  // --matrix "3 5; 2 7" (Hill)
};

// What a front end asks of a family's attack.
struct FamilyAttackOptions
{
    quint64 seed = 1;
    double timeLimitSeconds = 10;
    int jobs = 0; // 0: one per core
    // What the user knows, as they wrote it; the family reads them and says
    // what is wrong with one (attackOptionProblems).
    QStringList locks;
    QStringList cribs;
    // Called from the calling thread now and then: the time so far, the best
    // key yet and its score, nats a symbol.
    std::function<void(double seconds, const SymbolKey &key, double score)> progress;
    // Asked as often as the clock; true ends the search with the best so far.
    std::function<bool()> stopRequested;
};

struct FamilyAttackResult
{
    QString problem; // not empty when the attack refused: why, in Russian
    const class CipherFamily *family = nullptr; // the family it read as
    SymbolKey key;
    double score = 0;           // average log-probability per symbol, nats
    bool readsAsRussian = false;
    QStringList reasons;        // how the search decided, a sentence a line
    double seconds = 0;
    bool cutShort = false;      // by the time limit or a stop

    bool succeeded() const { return problem.isEmpty(); }
};

class CipherFamily
{
public:
    virtual ~CipherFamily() = default;

    // As --cipher and key files name it: "vigenere".
    virtual QString name() const = 0;
    // In Russian, for --help, the lab and messages: "шифр Виженера".
    virtual QString title() const = 0;
    // The group of families it belongs to: "многоалфавитная замена".
    virtual QString group() const = 0;
    // The homophonic family keeps its own table and options (--key,
    // --table, --choice); the others take a SymbolKey.
    virtual bool isHomophonic() const { return false; }

    // The key forms the family takes inline.
    virtual QList<KeyForm> keyForms() const = 0;
    // The key of one of those forms as the user wrote it (nothing for
    // Atbash); empty with the reason, in Russian, when it is no key.
    virtual std::optional<SymbolKey> key(KeyForm form, const QString &text, QString &problem) const = 0;
    // The same from every value given for the form, in order: the
    // two-square takes two keywords. Refuses more than valuesTaken(form).
    virtual std::optional<SymbolKey> keyFromValues(KeyForm form, const QStringList &values, QString &problem) const;
    virtual int valuesTaken(KeyForm) const { return 1; }
    // Whether its key names a filler (SymbolKey::filler): the block ciphers'.
    virtual bool takesFiller() const { return false; }
    // A key from the source: the same sequence gives the same key.
    virtual SymbolKey randomKey(QRandomGenerator &source) const = 0;
    // The form its key files take.
    virtual SymbolKeys::KeyFileForm keyFileForm() const = 0;
    SymbolKeys::Reading readKeyFile(const QByteArray &bytes, const QString &fileName,
                                    KeyFileReasons reasons = KeyFileReasons::Written) const;
    QString keyFileText(const SymbolKey &key, const QDateTime &madeAt,
                        std::optional<quint64> seed = std::nullopt) const;
    // The key in a line, as a report shows it.
    virtual QString keyText(const SymbolKey &key) const = 0;

    // How a lock is written for this family's attack, for messages and help:
    // "СИМВОЛ=СИМВОЛ". Empty when the attack takes none.
    virtual QString lockForm() const { return QString(); }
    // Whether the family's key repeats with a period, which the index of
    // coincidence by period and Kasiski's repeats give away.
    virtual bool hasPeriod() const { return false; }
    // What is wrong with the options' locks and cribs for this ciphertext,
    // one reason each, naming the lock or crib; empty when nothing is.
    virtual QStringList attackOptionProblems(QStringView ciphertext, const FamilyAttackOptions &options) const;
    // Breaks a ciphertext of this family without its key.
    virtual FamilyAttackResult attack(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                                      const FamilyAttackOptions &options) const;

protected:
    virtual SymbolRule rule() const = 0;
};

const QList<const CipherFamily *> &cipherFamilies();
// The family of that name, or null.
const CipherFamily *cipherFamily(const QString &name);
// The default family: homophonic substitution.
const CipherFamily &homophonicFamily();
