// table: the homophone table, symbol by symbol.
#include "commandline.h"
#include "commands.h"
#include "homophonic.h"

int runTable(const Invocation &invocation)
{
    HomophoneTable table;
    fillHomophoneTable(table);
    QString text;
    for (const RowHR &row : table)
        text += row.symbol + QLatin1Char('\t') + row.codes[0] + QLatin1Char('\t') + row.codes[1]
            + QLatin1Char('\t') + row.codes[2] + QLatin1Char('\n');
    return printText(text, invocation.closed);
}
