// The symbol families' rules, for fuzz_familykeys and fuzz_symbollines and the
// corpus replay.
#include "fuzzchecks.h"

#include "cipherfamily.h"
#include "filecipher.h"
#include "languagemodel.h"
#include "markedinput.h"
#include "referencecipher.h"
#include "scripteddevice.h"
#include "symbolcipher.h"
#include "textencoding.h"

#include <QBuffer>
#include <QByteArray>
#include <QRandomGenerator>
#include <QStringList>

namespace {

QList<const CipherFamily *> symbolFamilies()
{
    QList<const CipherFamily *> families;
    for (const CipherFamily *family : cipherFamilies()) {
        if (!family->isHomophonic())
            families << family;
    }
    return families;
}

bool isPermutation(const std::array<std::int8_t, Alphabet::Size> &symbols)
{
    std::array<bool, Alphabet::Size> seen {};
    for (const std::int8_t symbol : symbols) {
        if (symbol < 0 || symbol >= Alphabet::Size || seen[std::size_t(symbol)])
            return false;
        seen[std::size_t(symbol)] = true;
    }
    return true;
}

QString keyProblem(const CipherFamily &family, const SymbolKey &key)
{
    switch (key.rule) {
    case SymbolRule::Substitution:
    case SymbolRule::Playfair:
        return isPermutation(key.alphabet) ? QString() : QStringLiteral("%1: not a permutation").arg(family.name());
    case SymbolRule::TwoSquare:
        return isPermutation(key.alphabet) && isPermutation(key.second)
            ? QString()
            : QStringLiteral("%1: not a permutation").arg(family.name());
    case SymbolRule::Hill:
        return Polygram::isInvertible(key.matrix) ? QString() : QStringLiteral("%1: no inverse").arg(family.name());
    case SymbolRule::Vigenere:
    case SymbolRule::Beaufort:
    case SymbolRule::Autokey:
        break;
    }
    if (key.shifts.empty())
        return QStringLiteral("%1: no shifts").arg(family.name());
    for (const std::int8_t shift : key.shifts) {
        if (shift < 0 || shift >= Alphabet::Size)
            return QStringLiteral("%1: shift %2").arg(family.name()).arg(shift);
    }
    return QString();
}

QByteArray cipherThrough(const QByteArray &input, const CipherJob &job, std::size_t piece, bool &done)
{
    ScriptedDevice in(input, qint64(piece), false);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    done = cipherLines(in, out, job).status == CipherOutcome::Status::Done;
    return out.data();
}

} // namespace

QString checkFamilyKeyFileInput(const std::uint8_t *data, std::size_t size)
{
    const QString fileName = QStringLiteral("ключ.txt");
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    for (const CipherFamily *family : symbolFamilies()) {
        const SymbolKeys::Reading reading = family->readKeyFile(bytes, fileName);
        if (!reading.key) {
            if (reading.problems.isEmpty())
                return family->name() + QStringLiteral(": refused without a problem");
            for (const QString &problem : reading.problems) {
                if (!problem.startsWith(QStringLiteral("«ключ.txt»")))
                    return QStringLiteral("a problem that does not name the file: ") + problem;
            }
            continue;
        }
        if (!reading.problems.isEmpty())
            return QStringLiteral("accepted with problems: ") + reading.problems.join(QLatin1Char('\n'));
        if (const QString problem = keyProblem(*family, *reading.key); !problem.isEmpty())
            return problem;
        const QString text = family->keyFileText(*reading.key, QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
        const SymbolKeys::Reading again = family->readKeyFile(text.toUtf8(), fileName);
        if (!again.key)
            return QStringLiteral("the key written back is refused: ") + again.problems.join(QLatin1Char('\n'));
        if (family->keyFileText(*again.key, QDateTime::fromSecsSinceEpoch(0, Qt::UTC)) != text)
            return QStringLiteral("the key written back reads as another:\n") + text;
    }
    return QString();
}

QString checkSymbolLinesInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return QString();
    const QList<const CipherFamily *> families = symbolFamilies();
    const CipherFamily &family = *families.at(data[0] % families.size());
    QRandomGenerator source(data[1]);
    const SymbolCipher cipher(family.randomKey(source));
    const TextEncoding *encoding = data[2] & 1 ? TextEncoding::utf8() : TextEncoding::windows1251();
    static const qint64 blockSizes[] = {1, 2, 3, 7, 16, 64, 256, 4096};
    const QByteArray input(reinterpret_cast<const char *>(data) + 4, int(size - 4));

    CipherJob job;
    job.encoding = encoding;
    job.symbolCipher = &cipher;
    job.blockBytes = blockSizes[(data[2] >> 1) & 7];
    job.jobs = 1 + ((data[2] >> 4) & 3);
    const std::size_t piece = 1 + data[3] % 32;

    // The reference: one thread, one block, through UTF-16.
    CipherJob reference = job;
    reference.jobs = 1;
    reference.blockBytes = qint64(1) << 20;
    reference.throughUtf16 = true;
    for (const CipherJob::Direction direction : {CipherJob::Direction::Encrypt, CipherJob::Direction::Decrypt}) {
        job.direction = reference.direction = direction;
        bool done = false;
        bool referenceDone = false;
        const QByteArray output = cipherThrough(input, job, piece, done);
        const QByteArray expected = cipherThrough(input, reference, piece, referenceDone);
        if (done != referenceDone || output != expected)
            return QStringLiteral("%1 %2: blocks of %3 on %4 threads write otherwise than one pass through UTF-16")
                .arg(family.name(), direction == CipherJob::Direction::Encrypt ? QStringLiteral("encrypt")
                                                                                : QStringLiteral("decrypt"))
                .arg(job.blockBytes)
                .arg(job.jobs);
    }
    // Deciphering the ciphertext gives the plaintext back, capitals for
    // letters, wherever the text is valid in the encoding.
    if (encoding == TextEncoding::windows1251()) {
        job.direction = CipherJob::Direction::Encrypt;
        bool done = false;
        const QByteArray encrypted = cipherThrough(input, job, piece, done);
        job.direction = CipherJob::Direction::Decrypt;
        const QByteArray decrypted = cipherThrough(encrypted, job, piece, done);
        job.direction = CipherJob::Direction::Encrypt;
        QString text;
        encoding->decode(input.constData(), input.size(), text);
        QString capitals = text;
        for (QChar &c : capitals) {
            if (Alphabet::indexOf(c.unicode()) >= 0)
                c = Alphabet::symbol(Alphabet::indexOf(c.unicode()));
        }
        // A block cipher gives its fillers back too.
        if (cipher.blockSize() > 1) {
            const int filler = cipher.key().filler;
            capitals = referenceWithFillers(text, cipher.blockSize(), Alphabet::symbol(filler),
                                            Alphabet::symbol(Polygram::secondFiller(filler)),
                                            cipher.rule() == SymbolRule::Playfair);
        }
        QByteArray expected;
        encoding->encode(capitals, expected);
        // Input with a byte-order mark is read in the mark's encoding.
        QBuffer buffer;
        buffer.setData(input);
        buffer.open(QIODevice::ReadOnly);
        const bool marked = MarkedInput(buffer).mark() != MarkedInput::Mark::None;
        if (!marked && decrypted != expected)
            return family.name() + QStringLiteral(": the round trip does not give the text back");
    }
    return QString();
}

QString checkFamilyAttackInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return QString();
    static const Cryptanalysis::LanguageModel model = [] {
        Cryptanalysis::LanguageModel loaded;
        QString error;
        loaded.loadBuiltIn(&error);
        return loaded;
    }();
    const QList<const CipherFamily *> families = symbolFamilies();
    const CipherFamily &family = *families.at(data[0] % families.size());
    // The rest is UTF-8 text: lines starting with "=" are locks, the others
    // the ciphertext.
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data) + 2, int(size - 2));
    FamilyAttackOptions options;
    options.seed = data[1];
    options.timeLimitSeconds = 0.05;
    options.jobs = 1 + data[1] % 2;
    QString ciphertext;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('=')))
            options.locks << line.mid(1);
        else
            ciphertext += line + QLatin1Char('\n');
    }
    const QStringList problems = family.attackOptionProblems(ciphertext, options);
    for (const QString &problem : problems) {
        if (problem.trimmed().isEmpty())
            return family.name() + QStringLiteral(": an empty problem");
    }
    if (!problems.isEmpty())
        return QString();
    const FamilyAttackResult result = family.attack(ciphertext, model, options);
    if (!result.succeeded())
        return QString();
    if (const QString problem = keyProblem(family, result.key); !problem.isEmpty())
        return problem;
    // The key deciphers the text without changing its length or its other
    // characters.
    const QString plain = SymbolCipher(result.key).decrypt(ciphertext);
    if (plain.size() != ciphertext.size())
        return family.name() + QStringLiteral(": the plaintext has another length");
    return QString();
}
