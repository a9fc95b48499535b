// Runs the homophonic cipher over a whole text, line by line, streaming from
// one device to another.
#pragma once

#include "homophonic.h"
#include "linereader.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class QIODevice;
class SingleByteCipher;
class SymbolCipher;
class TextEncoding;

struct CipherJob
{
    enum class Direction { Encrypt, Decrypt };

    Direction direction = Direction::Encrypt;
    int alphabetCount = 1;
    const TextEncoding *encoding = nullptr; // of input and output
    qint64 maxLineBytes = LineReader::MaxLineBytes;
    // The key table; cipherLines takes the fixed table when it is null.
    const KeyTable *table = nullptr;
    // Random homophones from this choice instead of codes in turn; encryption
    // only. One object for the whole text, so that a seed gives one sequence:
    // the text is then ciphered on one thread whatever jobs says.
    RandomCodeChoice *randomChoice = nullptr;
    // A symbol cipher (one alphabet or several) instead of the homophonic
    // table; table, alphabetCount and randomChoice are then not used. Its key
    // runs on from line to line. The autokey deciphers on one thread, since
    // each part's key is the plaintext before it.
    const SymbolCipher *symbolCipher = nullptr;

    // Threads that cipher blocks of whole lines at once; 1 ciphers on the
    // calling thread. The output is the same for any number.
    int jobs = 1;
    // Blocks are cut at the first line end after this many bytes; jobs + 2
    // blocks (and their output) are held at most.
    qint64 blockBytes = qint64(2) << 20;
    // Windows-1251 text is ciphered byte by byte unless this is set; the
    // route through UTF-16 that it then takes is the one every encoding takes.
    bool throughUtf16 = false;
    // The byte route's tables, made by SingleByteCipher::make from this
    // job's table, key and encoding, for a caller that ciphers many small
    // texts alike: building them costs more than ciphering a few lines.
    // cipherLines builds its own when this is null.
    const SingleByteCipher *byteCipher = nullptr;
    // Called on the calling thread after each block is written.
    std::function<void()> progress;
};

struct CipherOutcome
{
    enum class Status { Done, ReadFailed, WriteFailed, LineTooLong };

    Status status = Status::Done;
    qint64 lineNumber = 0;   // the line too long, counted from 1
    qint64 unencodable = 0;  // characters written as '?'
    qint64 undecodable = 0;  // input bytes read as U+FFFD
    QString inputEncoding;   // as the tool spells encodings
};

// Each line is ciphered on its own, as the window ciphers its last line, and
// keeps its line ending. Input that starts with a byte-order mark (UTF-8,
// UTF-16 or UTF-32) is read in that encoding whatever the job's encoding, as
// the window's Open reads it; the output is in the job's encoding.
CipherOutcome cipherLines(QIODevice &input, QIODevice &output, const CipherJob &job);
