// Whole texts through the cipher as the command-line tool ciphers a file:
// line by line, each line's counters afresh (or a symbol cipher's key running
// on from line to line), line ends kept.
#pragma once

#include "homophonic.h"
#include "symbolcipher.h"

#include <QString>

#include <optional>

struct LabCipherRequest
{
    enum class Direction { Encrypt, Decrypt };

    Direction direction = Direction::Encrypt;
    KeyTable table {};
    int alphabetCount = 1;
    // Random homophones from this seed instead of codes in turn; encryption only.
    std::optional<quint64> randomSeed;
    // A symbol family's key instead of the table, k and the choice.
    std::optional<SymbolKey> symbolKey;
};

// Takes its time on a long text: call it off the window's thread.
QString cipherWholeText(const QString &text, const LabCipherRequest &request);
