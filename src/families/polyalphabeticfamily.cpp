#include "polyalphabeticfamily.h"

#include "polyalphabeticattack.h"

QString PolyalphabeticFamily::name() const
{
    switch (m_variant) {
    case Variant::Vigenere:
        return QStringLiteral("vigenere");
    case Variant::Gronsfeld:
        return QStringLiteral("gronsfeld");
    case Variant::Beaufort:
        return QStringLiteral("beaufort");
    case Variant::Autokey:
        break;
    }
    return QStringLiteral("autokey");
}

QString PolyalphabeticFamily::title() const
{
    switch (m_variant) {
    case Variant::Vigenere:
        return QStringLiteral("шифр Виженера");
    case Variant::Gronsfeld:
        return QStringLiteral("шифр Гронсфельда");
    case Variant::Beaufort:
        return QStringLiteral("шифр Бофора");
    case Variant::Autokey:
        break;
    }
    return QStringLiteral("самоключ (автоключ Виженера)");
}

QList<KeyForm> PolyalphabeticFamily::keyForms() const
{
    if (m_variant == Variant::Gronsfeld)
        return {KeyForm::Digits};
    return {KeyForm::Keyword};
}

SymbolRule PolyalphabeticFamily::rule() const
{
    switch (m_variant) {
    case Variant::Vigenere:
    case Variant::Gronsfeld:
        return SymbolRule::Vigenere;
    case Variant::Beaufort:
        return SymbolRule::Beaufort;
    case Variant::Autokey:
        break;
    }
    return SymbolRule::Autokey;
}

SymbolKeys::KeyFileForm PolyalphabeticFamily::keyFileForm() const
{
    return m_variant == Variant::Gronsfeld ? SymbolKeys::KeyFileForm::Digits : SymbolKeys::KeyFileForm::Keyword;
}

std::optional<SymbolKey> PolyalphabeticFamily::key(KeyForm form, const QString &text, QString &problem) const
{
    if (!keyForms().contains(form)) {
        problem = m_variant == Variant::Gronsfeld ? QStringLiteral("ключ шифра Гронсфельда — цифры (--digits)")
                                                  : QStringLiteral("ключ этого шифра — слово (--keyword)");
        return std::nullopt;
    }
    if (form == KeyForm::Digits)
        return SymbolKeys::digits(text, problem);
    std::optional<SymbolKey> key = SymbolKeys::keyword(rule(), text);
    if (!key)
        problem = QStringLiteral("в ключевом слове «%1» нет ни одного символа алфавита (пробел и буквы от А до Я "
                                 "без Ё и Й)")
                      .arg(text);
    return key;
}

SymbolKey PolyalphabeticFamily::randomKey(QRandomGenerator &source) const
{
    SymbolKey key;
    key.rule = rule();
    for (int i = 0; i < RandomKeyLength; ++i) {
        const int shift = m_variant == Variant::Gronsfeld ? int(source.bounded(10))
                                                          : 1 + int(source.bounded(Alphabet::Size - 1));
        key.shifts.push_back(std::int8_t(shift));
    }
    return key;
}

QString PolyalphabeticFamily::keyText(const SymbolKey &key) const
{
    if (m_variant == Variant::Gronsfeld)
        return QStringLiteral("ключ ") + SymbolKeys::digitsText(key);
    return QStringLiteral("ключевое слово «%1»").arg(SymbolKeys::keywordText(key));
}

namespace {

Cryptanalysis::KeywordVariant keywordVariant(PolyalphabeticFamily::Variant variant)
{
    switch (variant) {
    case PolyalphabeticFamily::Variant::Vigenere:
        return Cryptanalysis::KeywordVariant::Vigenere;
    case PolyalphabeticFamily::Variant::Gronsfeld:
        return Cryptanalysis::KeywordVariant::Gronsfeld;
    case PolyalphabeticFamily::Variant::Beaufort:
        return Cryptanalysis::KeywordVariant::Beaufort;
    case PolyalphabeticFamily::Variant::Autokey:
        break;
    }
    return Cryptanalysis::KeywordVariant::Autokey;
}

// A lock "3=К": the keyword's third symbol is К (a digit for Gronsfeld).
std::optional<Cryptanalysis::KeywordLock> readLock(const QString &text, bool digits, QString &problem)
{
    const int equals = int(text.indexOf(QLatin1Char('=')));
    bool numeric = equals > 0;
    const int position = numeric ? QStringView(text).left(equals).toInt(&numeric) : 0;
    if (!numeric || position < 1 || text.left(equals).contains(QLatin1Char('+'))) {
        problem = QStringLiteral("ожидается НОМЕР=%1, номер буквы ключевого слова от 1, а не «%2»")
                      .arg(digits ? QStringLiteral("ЦИФРА") : QStringLiteral("БУКВА"), text);
        return std::nullopt;
    }
    const QString value = text.mid(equals + 1);
    int shift = -1;
    if (digits) {
        if (value.size() == 1 && value.at(0) >= QLatin1Char('0') && value.at(0) <= QLatin1Char('9'))
            shift = value.at(0).unicode() - u'0';
    } else if (value.size() == 1) {
        shift = value.at(0) == QChar(KeyFileSpace) ? 0 : Alphabet::indexOf(value.at(0).unicode());
    }
    if (shift < 0) {
        problem = digits ? QStringLiteral("в ключе Гронсфельда цифры от 0 до 9, а не «%1»").arg(value)
                         : QStringLiteral("«%1» — не символ алфавита (␣ и буквы от А до Я без Ё и Й)").arg(value);
        return std::nullopt;
    }
    return Cryptanalysis::KeywordLock { position - 1, shift };
}

// The attack's options, or the first problem with them.
std::optional<Cryptanalysis::KeywordAttackOptions> keywordOptions(const PolyalphabeticFamily &family,
                                                                  const FamilyAttackOptions &given,
                                                                  QStringList &problems)
{
    Cryptanalysis::KeywordAttackOptions options;
    options.seed = given.seed;
    options.timeLimitSeconds = given.timeLimitSeconds;
    options.jobs = given.jobs;
    options.variant = keywordVariant(family.variant());
    options.stopRequested = given.stopRequested;
    for (const QString &text : given.locks) {
        QString problem;
        const std::optional<Cryptanalysis::KeywordLock> lock =
            readLock(text, family.variant() == PolyalphabeticFamily::Variant::Gronsfeld, problem);
        if (lock)
            options.locks.push_back(*lock);
        else
            problems << QStringLiteral("%1: %2").arg(text, problem);
    }
    for (const QString &crib : given.cribs)
        problems << QStringLiteral("%1: подсказка-слово этому шифру не нужна, вскрытие находит ключ по частотам")
                        .arg(crib);
    if (!problems.isEmpty())
        return std::nullopt;
    return options;
}

} // namespace

QStringList PolyalphabeticFamily::attackOptionProblems(QStringView ciphertext, const FamilyAttackOptions &given) const
{
    QStringList problems;
    const std::optional<Cryptanalysis::KeywordAttackOptions> options = keywordOptions(*this, given, problems);
    if (options) {
        const QString problem =
            Cryptanalysis::keywordOptionProblem(Cryptanalysis::KeywordCipherText::fromText(ciphertext), *options);
        if (!problem.isEmpty())
            problems << problem;
    }
    return problems;
}

FamilyAttackResult PolyalphabeticFamily::attack(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                                                const FamilyAttackOptions &given) const
{
    FamilyAttackResult result;
    result.family = this;
    QStringList problems;
    std::optional<Cryptanalysis::KeywordAttackOptions> options = keywordOptions(*this, given, problems);
    if (!options) {
        result.problem = problems.join(QLatin1Char('\n'));
        return result;
    }
    if (given.progress) {
        options->progress = [&given](const Cryptanalysis::KeywordProgress &progress) {
            given.progress(progress.elapsedSeconds, progress.key, progress.score);
        };
    }
    const Cryptanalysis::KeywordAttackResult found = Cryptanalysis::crackPolyalphabetic(ciphertext, model, *options);
    result.problem = found.problem;
    result.key = found.key;
    result.score = found.score;
    result.readsAsRussian = found.readsAsRussian;
    result.reasons = found.reasons;
    result.seconds = found.seconds;
    result.cutShort = found.cutShort;
    return result;
}
