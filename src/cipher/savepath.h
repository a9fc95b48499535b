// Where a save really lands.
#pragma once

#include <QString>

// The file that writing to path reaches, as the system resolves it: hand this
// to QSaveFile, and name path itself in messages. QSaveFile follows a
// symbolic link by reading its target as a plain path, so a target such as
// "ярлык/../письмо.txt", where ярлык is itself a link, loses "ярлык/.." and
// the save replaces whatever file lies beside the link under that name. An
// existing target is resolved in full; a missing one (a dangling link, a
// new file) by its folder, as creating it would.
QString resolvedSavePath(const QString &path);
