#include "familyoptions.h"

#include "commandline.h"
#include "options.h"

namespace {

struct FormOption
{
    KeyForm form;
    const char *name;
};

constexpr FormOption formOptions[] = {
    { KeyForm::Keyword, "keyword" }, { KeyForm::Shift, "shift" }, { KeyForm::Affine, "affine" },
    { KeyForm::Digits, "digits" },   { KeyForm::Atbash, "atbash" },   { KeyForm::Matrix, "matrix" },
};

// The options that only the homophonic key takes.
constexpr const char *homophonicOptions[] = { "key", "table", "choice" };

bool given(const Invocation &invocation, const char *name)
{
    return invocation.takes(name) && invocation.isSet(name);
}

QString optionName(const char *name)
{
    return quoted(dashed(QLatin1String(name)));
}

// "--keyword СЛОВО или --key-file ФАЙЛ": the ways to give the family's key.
QString keyWays(const CipherFamily &family)
{
    QStringList ways;
    for (const FormOption &option : formOptions) {
        if (family.keyForms().contains(option.form)) {
            const OptionDeclaration &declared = declaredOption(QLatin1String(option.name));
            ways << (dashed(declared.longName()) + (declared.takesValue() ? QLatin1Char(' ') + declared.valueName
                                                                          : QString()));
        }
    }
    ways << QStringLiteral("--key-file ФАЙЛ");
    return listed(ways, QStringLiteral("или"));
}

} // namespace

std::optional<const CipherFamily *> chosenFamily(const Invocation &invocation)
{
    const CipherFamily *family = &homophonicFamily();
    if (invocation.isSet("cipher")) {
        const std::optional<QString> name = chosenWord(invocation, "cipher", QStringLiteral("шифр"));
        if (!name)
            return std::nullopt;
        family = cipherFamily(*name);
    }
    for (const FormOption &option : formOptions) {
        if (!given(invocation, option.name))
            continue;
        if (family->isHomophonic()) {
            usageError(QStringLiteral("параметр %1 задаёт ключ другого шифра, а выбрана гомофоническая замена: "
                                      "укажите шифр, например --cipher vigenere")
                           .arg(optionName(option.name)));
            return std::nullopt;
        }
        if (!family->keyForms().contains(option.form)) {
            usageError(QStringLiteral("параметр %1 не задаёт ключ шифра «%2» (%3): его ключ — %4")
                           .arg(optionName(option.name), family->name(), family->title(), keyWays(*family)));
            return std::nullopt;
        }
    }
    if (given(invocation, "filler") && !family->takesFiller()) {
        usageError(QStringLiteral("параметр %1 — только для полиграммных шифров (playfair, two-square, hill), а "
                                  "выбран шифр «%2» (%3)")
                       .arg(optionName("filler"), family->name(), family->title()));
        return std::nullopt;
    }
    if (!family->isHomophonic()) {
        for (const char *name : homophonicOptions) {
            if (given(invocation, name)) {
                usageError(QStringLiteral("параметр %1 — только для гомофонической замены, а выбран шифр «%2» (%3)")
                               .arg(optionName(name), family->name(), family->title()));
                return std::nullopt;
            }
        }
    }
    return family;
}

std::optional<SymbolKey> chosenSymbolKey(const Invocation &invocation, const CipherFamily &family)
{
    QList<const FormOption *> chosen;
    for (const FormOption &option : formOptions) {
        if (given(invocation, option.name))
            chosen << &option;
    }
    const bool keyFile = given(invocation, "key-file");
    if (chosen.size() + (keyFile ? 1 : 0) > 1) {
        QStringList names;
        for (const FormOption *option : chosen)
            names << dashed(QLatin1String(option->name));
        if (keyFile)
            names << QStringLiteral("--key-file");
        usageError(QStringLiteral("ключ задан дважды: %1; укажите что-то одно").arg(listed(names, QStringLiteral("и"))));
        return std::nullopt;
    }
    if (keyFile) {
        const QString path = invocation.value("key-file");
        QString problem;
        const std::optional<QByteArray> bytes = readKeyFileBytes(path, problem);
        SymbolKeys::Reading reading;
        if (bytes)
            reading = family.readKeyFile(*bytes, path);
        else
            reading.problems << problem;
        if (!reading.key) {
            for (const QString &each : reading.problems)
                reportError(each);
            reportError(QStringLiteral("файл ключа не принят, ничего не сделано"));
            return std::nullopt;
        }
        if (!applyFiller(invocation, *reading.key))
            return std::nullopt;
        return reading.key;
    }
    if (chosen.isEmpty()) {
        usageError(QStringLiteral("не указан ключ шифра «%1»: %2").arg(family.name(), keyWays(family)));
        return std::nullopt;
    }
    const FormOption &option = *chosen.first();
    QString problem;
    std::optional<SymbolKey> key = family.keyFromValues(option.form, invocation.values(option.name), problem);
    if (!key) {
        badValue(QLatin1String(option.name), problem);
        return std::nullopt;
    }
    if (!applyFiller(invocation, *key))
        return std::nullopt;
    return key;
}

bool applyFiller(const Invocation &invocation, SymbolKey &key)
{
    if (!given(invocation, "filler"))
        return true;
    QString problem;
    const int filler = SymbolKeys::fillerFromText(invocation.value("filler"), problem);
    if (filler < 0) {
        badValue(QLatin1String("filler"), problem);
        return false;
    }
    key.filler = std::int8_t(filler);
    return true;
}
