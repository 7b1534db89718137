#pragma once

#include <QStringList>

// The project files opened or saved last, most recent first, kept in the settings between runs.
namespace RecentProjects {

constexpr int kMax = 8;

QStringList list();
// Puts the file first (absolute path), dropping an older entry of it and anything past kMax.
void add(const QString &fileName);
void remove(const QString &fileName);
void clear();

} // namespace RecentProjects
