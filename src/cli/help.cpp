// --help: the usage lines, the commands and the options, all from their
// declarations.
#include "commands.h"
#include "options.h"

namespace {

// Lines of help end before this column; prose paragraphs a little earlier.
constexpr int HelpWidth = 79;
constexpr int ProseWidth = 76;

// Joins units with spaces, starting at column, into lines of at most width
// columns; each new line starts indent spaces in.
QString wrapped(const QStringList &units, int column, int indent, int width)
{
    QString result;
    bool lineStart = true;
    for (const QString &unit : units) {
        if (!lineStart && column + 1 + unit.size() > width) {
            result += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            column = indent;
        } else if (!lineStart) {
            result += QLatin1Char(' ');
            ++column;
        }
        result += unit;
        column += unit.size();
        lineStart = false;
    }
    return result;
}

QString wrappedText(const QString &text, int indent, int width)
{
    return wrapped(text.split(QLatin1Char(' ')), indent, indent, width);
}

// "--key K", "[--input ФАЙЛ]", "[--choice cyclic|random]", "[--lock КОД=СИМВОЛ]...".
QString usageUnit(const OptionDeclaration &option, const QString &command)
{
    QString unit = dashed(option.longName());
    if (option.takesValue())
        unit += QLatin1Char(' ') + (option.onlyListedValues ? option.values.join(QLatin1Char('|')) : option.valueName);
    if (!option.neededBy.contains(command))
        unit = QLatin1Char('[') + unit + QLatin1Char(']');
    if (option.repeats)
        unit += QStringLiteral("...");
    return unit;
}

QString usageLines(const QString &program)
{
    int longestName = 0;
    for (const Command &command : commands())
        longestName = qMax(longestName, int(command.name.size()));
    const QString start = QStringLiteral("  ") + program + QLatin1Char(' ');
    const int indent = int(start.size()) + longestName + 1;

    QString text;
    for (const Command &command : commands()) {
        QStringList units;
        for (const OptionDeclaration &option : optionDeclarations()) {
            if (option.commands.contains(command.name))
                units << usageUnit(option, command.name);
        }
        text += start + command.name;
        if (!units.isEmpty())
            text += QLatin1Char(' ') + wrapped(units, int(start.size() + command.name.size()) + 1, indent, HelpWidth);
        text += QLatin1Char('\n');
    }
    return text;
}

QString optionList()
{
    const int indent = 29;
    QString text;
    for (const OptionDeclaration &option : optionDeclarations()) {
        QStringList names;
        for (const QString &name : option.names)
            names << dashed(name);
        QString left = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (option.takesValue())
            left += QLatin1Char(' ') + option.valueName;
        text += left.leftJustified(indent - 1) + QLatin1Char(' ') + wrappedText(option.description, indent, HelpWidth)
            + QLatin1Char('\n');
    }
    return text;
}

QString repeatingOptions()
{
    QStringList names;
    for (const OptionDeclaration &option : optionDeclarations()) {
        if (option.repeats)
            names << dashed(option.longName());
    }
    return listed(names, QStringLiteral("и"));
}

} // namespace

QString helpText(const QString &program)
{
    QString text = QStringLiteral("Использование:\n") + usageLines(program);
    text += QStringLiteral(
        "\n"
        "Шифры подстановки для целых файлов. Гомофоническая замена (по умолчанию)\n"
        "шифрует каждую строку отдельно, так же как последняя строка в окне программы\n"
        "«Шифрование методами подстановки»; ключ многоалфавитных шифров (--cipher)\n"
        "идёт от строки к строке через весь текст, а полиграммные шифры (playfair,\n"
        "two-square, hill) берут каждую строку отдельно и дополняют её последний\n"
        "блок заполнителем. Концы строк (LF или CRLF) сохраняются;\n"
        "знаки вне алфавита (␣ и А–Я без Ё и Й) переписываются как есть.\n"
        "\n"
        "Команды:\n");
    for (const Command &command : commands())
        text += QStringLiteral("  ") + command.name.leftJustified(9) + wrappedText(command.summary, 11, HelpWidth)
            + QLatin1Char('\n');
    text += QStringLiteral("\nПараметры:\n") + optionList();
    const QString once = QStringLiteral("Каждый параметр, кроме %1, указывается не больше одного раза; пустое имя "
                                        "файла — ошибка, а не стандартный поток. Числа пишутся цифрами 0–9, без "
                                        "знака и пробелов; в секундах дробная часть отделяется точкой (0.5).")
                             .arg(repeatingOptions());
    text += QLatin1Char('\n') + wrappedText(once, 0, ProseWidth) + QLatin1Char('\n');
    text += QStringLiteral(
        "\n"
        "Код завершения: 0 — готово, 1 — файл или стандартный поток не удалось\n"
        "прочитать или записать (или поток закрыт), 2 — ошибка в командной строке.\n"
        "\n"
        "Пример:\n"
        "  %1 encrypt --key 2 --input задание.txt --output шифр.txt\n"
        "  %1 decrypt --key 2 --input шифр.txt\n"
        "  %1 encrypt --cipher vigenere --keyword КЛЮЧ --input задание.txt\n")
                .arg(program);
    return text;
}
