// Polyalphabetic substitution: Vigenère, Gronsfeld, Beaufort and the
// autokey, each a family of its own in the list, sharing this unit.
#pragma once

#include "cipherfamily.h"

class PolyalphabeticFamily : public CipherFamily
{
public:
    enum class Variant { Vigenere, Gronsfeld, Beaufort, Autokey };

    explicit PolyalphabeticFamily(Variant variant)
        : m_variant(variant)
    {
    }

    Variant variant() const { return m_variant; }
    QString name() const override;
    QString title() const override;
    QString group() const override { return QStringLiteral("многоалфавитная замена"); }
    QList<KeyForm> keyForms() const override;
    std::optional<SymbolKey> key(KeyForm form, const QString &text, QString &problem) const override;
    // A keyword of RandomKeyLength symbols (digits for Gronsfeld), the space
    // left out.
    SymbolKey randomKey(QRandomGenerator &source) const override;
    SymbolKeys::KeyFileForm keyFileForm() const override;
    QString keyText(const SymbolKey &key) const override;

    QString lockForm() const override
    {
        return m_variant == Variant::Gronsfeld ? QStringLiteral("НОМЕР=ЦИФРА") : QStringLiteral("НОМЕР=БУКВА");
    }
    bool hasPeriod() const override { return true; }
    QStringList attackOptionProblems(QStringView ciphertext, const FamilyAttackOptions &options) const override;
    FamilyAttackResult attack(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                              const FamilyAttackOptions &options) const override;

    static constexpr int RandomKeyLength = 7;

protected:
    SymbolRule rule() const override;

private:
    Variant m_variant;
};
