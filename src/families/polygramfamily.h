// Polygram substitution: Playfair and the two-square on the 4 × 8 rectangle,
// and Hill's matrix, each a family of its own in the list, sharing this unit.
#pragma once

#include "cipherfamily.h"

class PolygramFamily : public CipherFamily
{
public:
    enum class Variant { Playfair, TwoSquare, Hill };

    explicit PolygramFamily(Variant variant)
        : m_variant(variant)
    {
    }

    Variant variant() const { return m_variant; }
    QString name() const override;
    QString title() const override;
    QString group() const override { return QStringLiteral("полиграммная замена"); }
    QList<KeyForm> keyForms() const override;
    std::optional<SymbolKey> key(KeyForm form, const QString &text, QString &problem) const override;
    std::optional<SymbolKey> keyFromValues(KeyForm form, const QStringList &values, QString &problem) const override;
    int valuesTaken(KeyForm form) const override;
    bool takesFiller() const override { return true; }
    // Random rectangles; for Hill a random 2 × 2 matrix with an odd determinant.
    SymbolKey randomKey(QRandomGenerator &source) const override;
    SymbolKeys::KeyFileForm keyFileForm() const override;
    QString keyText(const SymbolKey &key) const override;

    QString lockForm() const override;
    QStringList attackOptionProblems(QStringView ciphertext, const FamilyAttackOptions &options) const override;
    FamilyAttackResult attack(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                              const FamilyAttackOptions &options) const override;

protected:
    SymbolRule rule() const override;

private:
    // Each variant's attack: Hill's in a section of its own in
    // polygramfamily.cpp, Playfair's and the two-square's in
    // polygramrectangleattack.cpp.
    QStringList hillOptionProblems(QStringView ciphertext, const FamilyAttackOptions &options) const;
    FamilyAttackResult attackHill(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                                  const FamilyAttackOptions &options) const;
    QString rectangleLockForm() const;
    QStringList rectangleOptionProblems(QStringView ciphertext, const FamilyAttackOptions &options) const;
    FamilyAttackResult attackRectangles(QStringView ciphertext, const Cryptanalysis::LanguageModel &model,
                                        const FamilyAttackOptions &options) const;

    Variant m_variant;
};
