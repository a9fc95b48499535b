// Monoalphabetic substitution: one cipher alphabet, given as a shift
// (Caesar), an affine map, a keyword, Atbash or a whole permutation.
#pragma once

#include "cipherfamily.h"

class MonoalphabeticFamily : public CipherFamily
{
public:
    QString name() const override { return QStringLiteral("mono"); }
    QString title() const override { return QStringLiteral("простая замена"); }
    QString group() const override { return QStringLiteral("одноалфавитная замена"); }
    QList<KeyForm> keyForms() const override
    {
        return {KeyForm::Shift, KeyForm::Affine, KeyForm::Keyword, KeyForm::Atbash};
    }
    std::optional<SymbolKey> key(KeyForm form, const QString &text, QString &problem) const override;
    SymbolKey randomKey(QRandomGenerator &source) const override { return SymbolKeys::randomAlphabet(source); }
    SymbolKeys::KeyFileForm keyFileForm() const override { return SymbolKeys::KeyFileForm::Alphabet; }
    QString keyText(const SymbolKey &key) const override;

    QString lockForm() const override { return QStringLiteral("СИМВОЛ=СИМВОЛ"); }
    QStringList attackOptionProblems(QStringView ciphertext, const FamilyAttackOptions &options) const override;
    FamilyAttackResult attack(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                              const FamilyAttackOptions &options) const override;

protected:
    SymbolRule rule() const override { return SymbolRule::Substitution; }
};
