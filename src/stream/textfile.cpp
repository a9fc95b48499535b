#include "textfile.h"

#include "markedinput.h"
#include "savepath.h"
#include "textencoding.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

TextFileReading readTextFile(const QString &path, const TextEncoding &encoding)
{
    TextFileReading reading;
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        // A pipe or a device can block or never end.
        reading.error = QStringLiteral("это не обычный файл");
        return reading;
    }
    if (info.size() > MaxTextFileBytes) {
        reading.error = QStringLiteral("файл больше %1 МиБ").arg(MaxTextFileBytes >> 20);
        return reading;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reading.error = file.errorString();
        return reading;
    }
    // One byte over the limit is enough to refuse a file that grew.
    const QByteArray bytes = file.read(MaxTextFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        reading.error = file.errorString();
        return reading;
    }
    if (bytes.size() > MaxTextFileBytes) {
        reading.error = QStringLiteral("файл больше %1 МиБ").arg(MaxTextFileBytes >> 20);
        return reading;
    }

    const TextFileReading decoded = decodeTextBytes(bytes, encoding);
    reading.text = decoded.text;
    reading.undecodable = decoded.undecodable;
    reading.encodingName = decoded.encodingName;
    reading.ok = true;
    return reading;
}

TextFileReading decodeTextBytes(const QByteArray &bytes, const TextEncoding &encoding)
{
    TextFileReading reading;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    MarkedInput marked(buffer);
    const QByteArray unmarked = marked.readAll();
    const TextEncoding *used = marked.mark() == MarkedInput::Mark::None ? &encoding : TextEncoding::utf8();
    reading.undecodable = used->decode(unmarked.constData(), int(unmarked.size()), reading.text)
        + marked.undecodableBytes();
    reading.encodingName = marked.mark() == MarkedInput::Mark::None ? encoding.name() : marked.markedEncodingName();
    reading.ok = true;
    return reading;
}

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error, FileReaders readers)
{
    // Renaming a new file over a pipe or a device node would replace the
    // node itself.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *error = QStringLiteral("это не обычный файл");
        return false;
    }
    const QString target = resolvedSavePath(path);
    // Unbuffered, because commit() does not see a failure to write its last
    // buffered block; every write is checked, as a full disk or a file-size
    // limit may take only part of one.
    QSaveFile file(target);
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (saved && readers == FileReaders::OwnerOnly)
        saved = restrictNewFileToOwner(file);
    for (qint64 done = 0; saved && done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        saved = written > 0;
        done += written;
    }
    saved = saved && file.commit();
    if (!saved)
        *error = file.errorString();
    return saved;
}

TextFileWriting writeTextFile(const QString &path, const QString &text, const TextEncoding &encoding)
{
    TextFileWriting writing;
    QByteArray bytes;
    writing.unencodable = encoding.encode(text, bytes);
    writing.ok = writeWholeFile(path, bytes, &writing.error);
    return writing;
}
