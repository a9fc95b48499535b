// Where a save really lands.
#pragma once

#include <QString>

#include <functional>

class QIODevice;
class QSaveFile;

// The file that writing to path reaches, as the system resolves it: hand this
// to QSaveFile, and name path itself in messages. QSaveFile follows a
// symbolic link by reading its target as a plain path, so a target such as
// "ярлык/../письмо.txt", where ярлык is itself a link, loses "ярлык/.." and
// the save replaces whatever file lies beside the link under that name. An
// existing target is resolved in full; a missing one (a dangling link, a
// new file) by its folder, as creating it would.
QString resolvedSavePath(const QString &path);

// A key is a secret: a file that file (open, not yet committed) creates is
// made readable and writable by its owner only, whatever the umask, as other
// tools that make keys do; a file that exists keeps its mode, which QSaveFile
// carries over. False when the mode could not be set.
bool restrictNewFileToOwner(QSaveFile &file);

// Saves a data file of the program's own (a language model, a word list)
// through QSaveFile, so that a failed write leaves the old file whole, and
// refuses a target that is not a regular file, which the rename would
// replace. what names the contents in the Russian message ("модель языка").
bool saveDataFile(const QString &path, const QString &what, const std::function<bool(QIODevice &)> &write,
                  QString *error);
