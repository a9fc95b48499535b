// Runs the homophonic cipher over a whole text, line by line, streaming from
// one device to another.
#pragma once

#include <QtGlobal>

class QIODevice;
class TextEncoding;

struct CipherJob
{
    enum class Direction { Encrypt, Decrypt };

    Direction direction = Direction::Encrypt;
    int alphabetCount = 1;
    const TextEncoding *encoding = nullptr; // of input and output
};

struct CipherOutcome
{
    enum class Status { Done, ReadFailed, WriteFailed, LineTooLong };

    Status status = Status::Done;
    qint64 lineNumber = 0;   // the line too long, counted from 1
    qint64 unencodable = 0;  // characters written as '?'
};

// Each line is ciphered on its own, as the window ciphers its last line, and
// keeps its line ending. Input that starts with a UTF-8 byte-order mark is read
// as UTF-8 whatever the job's encoding, as the window's Open reads it.
CipherOutcome cipherLines(QIODevice &input, QIODevice &output, const CipherJob &job);
