#include "cipherfamily.h"

#include "homophonicfamily.h"
#include "monoalphabeticfamily.h"
#include "polyalphabeticfamily.h"
#include "polygramfamily.h"

SymbolKeys::Reading CipherFamily::readKeyFile(const QByteArray &bytes, const QString &fileName,
                                              KeyFileReasons reasons) const
{
    return SymbolKeys::readKeyFile(bytes, fileName, name(), rule(), keyFileForm(), reasons);
}

QString CipherFamily::keyFileText(const SymbolKey &key, const QDateTime &madeAt, std::optional<quint64> seed) const
{
    return SymbolKeys::keyFileText(name(), title(), keyFileForm(), key, madeAt, seed);
}

std::optional<SymbolKey> CipherFamily::keyFromValues(KeyForm form, const QStringList &values, QString &problem) const
{
    if (values.size() > valuesTaken(form)) {
        problem = valuesTaken(form) == 1 ? QStringLiteral("ключ этого шифра задаётся один раз")
                                         : QStringLiteral("ключ этого шифра задаётся не больше %1 раз").arg(valuesTaken(form));
        return std::nullopt;
    }
    return key(form, values.value(0), problem);
}

QStringList CipherFamily::attackOptionProblems(QStringView, const FamilyAttackOptions &) const
{
    return {};
}

FamilyAttackResult CipherFamily::attack(QStringView, const Cryptanalysis::LanguageModel &,
                                        const FamilyAttackOptions &) const
{
    FamilyAttackResult result;
    result.problem = QStringLiteral("для шифра «%1» вскрытия пока нет").arg(name());
    return result;
}

const QList<const CipherFamily *> &cipherFamilies()
{
    static const MonoalphabeticFamily mono;
    static const PolyalphabeticFamily vigenere(PolyalphabeticFamily::Variant::Vigenere);
    static const PolyalphabeticFamily gronsfeld(PolyalphabeticFamily::Variant::Gronsfeld);
    static const PolyalphabeticFamily beaufort(PolyalphabeticFamily::Variant::Beaufort);
    static const PolyalphabeticFamily autokey(PolyalphabeticFamily::Variant::Autokey);
    static const PolygramFamily playfair(PolygramFamily::Variant::Playfair);
    static const PolygramFamily twoSquare(PolygramFamily::Variant::TwoSquare);
    static const PolygramFamily hill(PolygramFamily::Variant::Hill);
    static const QList<const CipherFamily *> families {
        &mono, &vigenere, &gronsfeld, &beaufort, &autokey, &homophonicFamily(), &playfair, &twoSquare, &hill,
    };
    return families;
}

const CipherFamily *cipherFamily(const QString &name)
{
    for (const CipherFamily *family : cipherFamilies()) {
        if (family->name() == name)
            return family;
    }
    return nullptr;
}

const CipherFamily &homophonicFamily()
{
    static const HomophonicFamily homophonic;
    return homophonic;
}
