#include "homophonicfamily.h"

QString HomophonicFamily::name() const
{
    return homophonicFamilyName();
}

std::optional<SymbolKey> HomophonicFamily::key(KeyForm, const QString &, QString &problem) const
{
    problem = QStringLiteral("ключ гомофонической замены — число кодов (--key) и таблица (--table)");
    return std::nullopt;
}
