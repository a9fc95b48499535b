// What bash completes a command line to, from the declarations of the
// commands and options: the completion script only asks and shows.
#include "commands.h"
#include "options.h"

namespace {

QString wordsText(const QStringList &candidates, const QString &current)
{
    QString text = QStringLiteral("words\n");
    for (const QString &candidate : candidates) {
        if (candidate.startsWith(current))
            text += candidate + QLatin1Char('\n');
    }
    return text;
}

// The option whose value the word after previous is, if any.
const OptionDeclaration *valuedOption(const QString &previous)
{
    for (const OptionDeclaration &option : optionDeclarations()) {
        if (!option.takesValue())
            continue;
        for (const QString &name : option.names) {
            if (previous == dashed(name))
                return &option;
        }
    }
    return nullptr;
}

} // namespace

QString completionText(const QStringList &words)
{
    const QString current = words.isEmpty() ? QString() : words.constLast();
    const QStringList before = words.mid(0, words.size() - 1);

    if (!before.isEmpty()) {
        if (const OptionDeclaration *option = valuedOption(before.constLast()))
            return option->fileName ? QStringLiteral("files\n") : wordsText(option->values, current);
    }

    QString command;
    for (const QString &word : before) {
        for (const Command &known : commands()) {
            if (known.name == word)
                command = word;
        }
        if (!command.isEmpty())
            break;
    }

    QStringList candidates;
    if (command.isEmpty()) {
        if (current.startsWith(QLatin1Char('-'))) {
            for (const OptionDeclaration &option : optionDeclarations()) {
                if (option.standsAlone())
                    candidates << dashed(option.longName());
            }
        } else {
            for (const Command &known : commands())
                candidates << known.name;
        }
        return wordsText(candidates, current);
    }
    for (const OptionDeclaration &option : optionDeclarations()) {
        if (option.commands.contains(command))
            candidates << dashed(option.longName());
    }
    // Help with a command's options is the one thing asked for after it.
    candidates << dashed(declaredOption(QStringLiteral("help")).longName());
    return wordsText(candidates, current);
}
