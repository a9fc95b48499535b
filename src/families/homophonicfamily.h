// Homophonic substitution in the family list. Its table, key and options are
// the homophonic library's own; the list names it so that front ends offer it
// beside the others.
#pragma once

#include "cipherfamily.h"

class HomophonicFamily : public CipherFamily
{
public:
    QString name() const override;
    QString title() const override { return QStringLiteral("гомофоническая замена"); }
    QString group() const override { return QStringLiteral("гомофоническая замена"); }
    bool isHomophonic() const override { return true; }
    QList<KeyForm> keyForms() const override { return {}; }
    std::optional<SymbolKey> key(KeyForm, const QString &, QString &problem) const override;
    SymbolKey randomKey(QRandomGenerator &) const override { return {}; }
    SymbolKeys::KeyFileForm keyFileForm() const override { return SymbolKeys::KeyFileForm::Alphabet; }
    QString keyText(const SymbolKey &) const override { return QString(); }

protected:
    SymbolRule rule() const override { return SymbolRule::Substitution; }
};
