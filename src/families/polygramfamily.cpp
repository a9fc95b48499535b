#include "polygramfamily.h"

#include "hillattack.h"

QString PolygramFamily::name() const
{
    switch (m_variant) {
    case Variant::Playfair:
        return QStringLiteral("playfair");
    case Variant::TwoSquare:
        return QStringLiteral("two-square");
    case Variant::Hill:
        break;
    }
    return QStringLiteral("hill");
}

QString PolygramFamily::title() const
{
    switch (m_variant) {
    case Variant::Playfair:
        return QStringLiteral("шифр Плейфера");
    case Variant::TwoSquare:
        return QStringLiteral("двойной квадрат Уитстона");
    case Variant::Hill:
        break;
    }
    return QStringLiteral("шифр Хилла");
}

SymbolRule PolygramFamily::rule() const
{
    switch (m_variant) {
    case Variant::Playfair:
        return SymbolRule::Playfair;
    case Variant::TwoSquare:
        return SymbolRule::TwoSquare;
    case Variant::Hill:
        break;
    }
    return SymbolRule::Hill;
}

QList<KeyForm> PolygramFamily::keyForms() const
{
    if (m_variant == Variant::Hill)
        return {KeyForm::Matrix, KeyForm::Keyword};
    return {KeyForm::Keyword};
}

int PolygramFamily::valuesTaken(KeyForm form) const
{
    return m_variant == Variant::TwoSquare && form == KeyForm::Keyword ? 2 : 1;
}

std::optional<SymbolKey> PolygramFamily::key(KeyForm form, const QString &text, QString &problem) const
{
    return keyFromValues(form, {text}, problem);
}

std::optional<SymbolKey> PolygramFamily::keyFromValues(KeyForm form, const QStringList &values,
                                                       QString &problem) const
{
    if (!keyForms().contains(form)) {
        problem = m_variant == Variant::Hill ? QStringLiteral("ключ шифра Хилла — матрица (--matrix) или слово (--keyword)")
                                             : QStringLiteral("ключ этого шифра — слово (--keyword)");
        return std::nullopt;
    }
    if (m_variant == Variant::TwoSquare) {
        if (values.size() != 2) {
            problem = QStringLiteral("двойному квадрату нужны два ключевых слова, по одному на прямоугольник: "
                                     "--keyword ПЕРВОЕ --keyword ВТОРОЕ");
            return std::nullopt;
        }
        return SymbolKeys::twoSquare(values.at(0), values.at(1), problem);
    }
    if (values.size() != 1)
        return CipherFamily::keyFromValues(form, values, problem);
    const QString &text = values.first();
    if (m_variant == Variant::Hill)
        return form == KeyForm::Matrix ? SymbolKeys::hillMatrix(text, problem) : SymbolKeys::hillKeyword(text, problem);
    std::optional<SymbolKey> key = SymbolKeys::rectangle(rule(), text);
    if (!key)
        problem = QStringLiteral("в ключевом слове «%1» нет ни одного символа алфавита (пробел и буквы от А до Я "
                                 "без Ё и Й)")
                      .arg(text);
    return key;
}

SymbolKey PolygramFamily::randomKey(QRandomGenerator &source) const
{
    if (m_variant == Variant::Hill)
        return SymbolKeys::randomMatrix(2, source);
    return SymbolKeys::randomRectangles(rule(), source);
}

SymbolKeys::KeyFileForm PolygramFamily::keyFileForm() const
{
    switch (m_variant) {
    case Variant::Playfair:
        return SymbolKeys::KeyFileForm::Rectangle;
    case Variant::TwoSquare:
        return SymbolKeys::KeyFileForm::TwoRectangles;
    case Variant::Hill:
        break;
    }
    return SymbolKeys::KeyFileForm::Matrix;
}

QString PolygramFamily::keyText(const SymbolKey &key) const
{
    const QString filler = QStringLiteral(", заполнитель ") + keyFileSymbolText(key.filler);
    switch (m_variant) {
    case Variant::Playfair:
        return QStringLiteral("прямоугольник ") + SymbolKeys::rectangleText(key.alphabet) + filler;
    case Variant::TwoSquare:
        return QStringLiteral("прямоугольники ") + SymbolKeys::rectangleText(key.alphabet) + QStringLiteral(" и ")
            + SymbolKeys::rectangleText(key.second) + filler;
    case Variant::Hill:
        break;
    }
    return QStringLiteral("матрица ") + Polygram::matrixText(key.matrix) + filler;
}

QString PolygramFamily::lockForm() const
{
    switch (m_variant) {
    case Variant::Playfair:
    case Variant::TwoSquare:
        return rectangleLockForm();
    case Variant::Hill:
        break;
    }
    return CipherFamily::lockForm();
}

QStringList PolygramFamily::attackOptionProblems(QStringView ciphertext, const FamilyAttackOptions &options) const
{
    switch (m_variant) {
    case Variant::Hill:
        return hillOptionProblems(ciphertext, options);
    case Variant::Playfair:
    case Variant::TwoSquare:
        break;
    }
    return rectangleOptionProblems(ciphertext, options);
}

FamilyAttackResult PolygramFamily::attack(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                                          const FamilyAttackOptions &options) const
{
    switch (m_variant) {
    case Variant::Hill:
        return attackHill(ciphertext, model, options);
    case Variant::Playfair:
    case Variant::TwoSquare:
        break;
    }
    return attackRectangles(ciphertext, model, options);
}

// Hill's attack: known plaintext from the cribs, else the search row by row.

namespace {

// The options as the Hill attack takes them; a lock, which it has no use
// for, is a problem.
Cryptanalysis::HillAttackOptions hillOptions(const FamilyAttackOptions &given, QStringList &problems)
{
    Cryptanalysis::HillAttackOptions options;
    options.seed = given.seed;
    options.timeLimitSeconds = given.timeLimitSeconds;
    options.jobs = given.jobs;
    options.cribs = given.cribs;
    options.progress = given.progress;
    options.stopRequested = given.stopRequested;
    for (const QString &lock : given.locks)
        problems << QStringLiteral("%1: закреплять у шифра Хилла нечего; известный кусок открытого текста "
                                   "задаётся подсказкой (--crib)")
                        .arg(lock);
    return options;
}

} // namespace

QStringList PolygramFamily::hillOptionProblems(QStringView ciphertext, const FamilyAttackOptions &given) const
{
    QStringList problems;
    const Cryptanalysis::HillAttackOptions options = hillOptions(given, problems);
    if (problems.isEmpty())
        problems = Cryptanalysis::hillOptionProblems(Cryptanalysis::HillText::fromText(ciphertext), options);
    return problems;
}

FamilyAttackResult PolygramFamily::attackHill(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                                              const FamilyAttackOptions &given) const
{
    FamilyAttackResult result;
    result.family = this;
    QStringList problems;
    const Cryptanalysis::HillAttackOptions options = hillOptions(given, problems);
    if (!problems.isEmpty()) {
        result.problem = problems.join(QLatin1Char('\n'));
        return result;
    }
    const Cryptanalysis::HillAttackResult found = Cryptanalysis::crackHill(ciphertext, model, options);
    result.problem = found.problem;
    result.key = found.key;
    result.score = found.score;
    result.readsAsRussian = found.readsAsRussian;
    result.reasons = found.reasons;
    result.seconds = found.seconds;
    result.cutShort = found.cutShort;
    return result;
}
