#pragma once

#include <QString>

// Where the manual in one language lives: the installed documentation folder beside the program
// (<prefix>/bin → <prefix>/share/doc/veltrin), then ./manual of the folder the program was started
// from (a build run from the source tree). When neither has it, the latter path: that is where a
// build looks, and what a missing-file message should name.
QString manualFilePath(bool english, const QString &programDir, const QString &startDir);
