#pragma once

#include "area/store/language.h"
#include <QString>
#include <QStringList>

// Where the manual in one language may live, in the order looked at: the installed documentation
// folder (<prefix>/bin → <prefix>/share/doc/veltrin), beside the program (its folder and a manual
// folder there, where a build keeps a copy), then ./manual of the folder the program was started
// from (a source tree).
QStringList manualSearchPaths(Language language, const QString &programDir, const QString &startDir);

// The first of those that exists. When none has it, the last: a missing-file message names them all.
QString manualFilePath(Language language, const QString &programDir, const QString &startDir);
