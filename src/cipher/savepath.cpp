#include "savepath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace {

// The target as the link stores it. QFileInfo::symLinkTarget() cleans it as
// a path, which is the very mistake to avoid.
QString storedLinkTarget(const QString &link)
{
    const QByteArray name = QFile::encodeName(link);
    QByteArray target(256, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlink(name.constData(), target.data(), std::size_t(target.size()));
        if (length < 0)
            return QString();
        if (length < target.size())
            return QFile::decodeName(target.left(int(length)));
        target.resize(target.size() * 2);
    }
}

// A file that does not exist yet is created in the folder its path leads to.
QString inResolvedFolder(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return path;
    const QString folder = slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : path.left(slash);
    const QString resolved = QFileInfo(folder).canonicalFilePath();
    // A missing folder: the save fails either way, with the system's reason.
    return resolved.isEmpty() ? path : QDir(resolved).filePath(name);
}

} // namespace

QString resolvedSavePath(const QString &path)
{
    QString current = path;
    // Linux gives up with ELOOP after 40 links in one lookup.
    for (int links = 0; links <= 40; ++links) {
        const QFileInfo info(current);
        if (info.exists())
            return info.canonicalFilePath();
        if (!info.isSymLink())
            return inResolvedFolder(current);
        const QString target = storedLinkTarget(current);
        if (target.isEmpty())
            break;
        current = QDir::isAbsolutePath(target)
            ? target
            : current.left(current.lastIndexOf(QLatin1Char('/')) + 1) + target;
    }
    return path;
}

bool restrictNewFileToOwner(QSaveFile &file)
{
    if (QFileInfo::exists(file.fileName()))
        return true;
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool saveDataFile(const QString &path, const QString &what, const std::function<bool(QIODevice &)> &write,
                  QString *error)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        if (error)
            *error = QStringLiteral("Не удалось записать %1 в «%2»: это не обычный файл")
                         .arg(what, QDir::toNativeSeparators(path));
        return false;
    }
    QSaveFile file(resolvedSavePath(path));
    if (!file.open(QIODevice::WriteOnly) || !write(file) || !file.commit()) {
        if (error)
            *error = QStringLiteral("Не удалось записать %1 в «%2»: %3")
                         .arg(what, QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}
