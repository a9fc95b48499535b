// table and keygen: the homophone table, the fixed one or a key file, and
// new key files made at random.
#include "commandline.h"
#include "commands.h"
#include "homophonic.h"
#include "keytable.h"

#include <QDateTime>

int runTable(const Invocation &invocation)
{
    int status = Success;
    const std::optional<KeyTable> table = chosenTable(invocation, status);
    if (!table)
        return status;
    // Key files are UTF-8 whatever the terminal, so that `table > key.txt`
    // is a key file.
    OutputTarget output((QString()));
    return output.open(invocation.closed) && output.write(keyTableText(*table).toUtf8()) && output.finish()
        ? Success
        : FileError;
}

int runKeygen(const Invocation &invocation)
{
    bool ok = true;
    const std::optional<quint64> seed = chosenSeed(invocation, ok);
    if (!ok)
        return UsageError;
    KeyTable table;
    if (seed) {
        QRandomGenerator source = seededGenerator(*seed);
        table = randomKeyTable(source);
    } else {
        table = randomKeyTable(*QRandomGenerator::system());
    }
    OutputTarget output(invocation.value(invocation.options.output));
    return output.open(invocation.closed)
            && output.write(keyFileText(table, QDateTime::currentDateTime(), seed).toUtf8()) && output.finish()
        ? Success
        : FileError;
}
