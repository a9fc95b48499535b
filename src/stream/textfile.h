// A whole text file read into memory and written back, for an editor: the
// same reading rules as the command-line tool (a byte-order mark decides the
// encoding, bytes that are no character are counted), every write through
// QSaveFile.
#pragma once

#include <QString>
#include <QtGlobal>

class TextEncoding;

// An editor holds texts up to this size; larger files are refused unread.
constexpr qint64 MaxTextFileBytes = qint64(16) << 20;

struct TextFileReading
{
    bool ok = false;
    QString text;
    QString error;          // why not, in Russian, with the system's reason
    qint64 undecodable = 0; // bytes read as U+FFFD
    QString encodingName;   // the one the text was read in, as the tool spells it
};

// Decodes the bytes of a whole text as the tool reads them: in encoding,
// unless they start with a byte-order mark. Sets text, undecodable and
// encodingName of the result.
TextFileReading decodeTextBytes(const QByteArray &bytes, const TextEncoding &encoding);

// Reads the file at path in encoding unless it starts with a byte-order mark.
TextFileReading readTextFile(const QString &path, const TextEncoding &encoding);

struct TextFileWriting
{
    bool ok = false;
    QString error;          // why not, in Russian, with the system's reason
    qint64 unencodable = 0; // characters written as '?'
};

// Replaces the file at path with text in encoding, only once all of it is
// written: a failure leaves the old file as it was. Pipes, devices and
// folders are refused, since the replacement would destroy them.
TextFileWriting writeTextFile(const QString &path, const QString &text, const TextEncoding &encoding);

// The same for bytes already encoded. A secret (a key) that creates the file
// makes it its owner's only; an existing file keeps its mode.
enum class FileReaders { AsUmask, OwnerOnly };
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error,
                    FileReaders readers = FileReaders::AsUmask);
