#include "app/recent_projects.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const char *const kKey = "project/recent";

void store(QStringList files)
{
    files.removeAll(QString());
    files.removeDuplicates();
    while (files.size() > RecentProjects::kMax)
        files.removeLast();
    QSettings s("Trevalor", "Parameters");
    s.setValue(kKey, files);
}
} // namespace

namespace RecentProjects {

QStringList list()
{
    QStringList files = QSettings("Trevalor", "Parameters").value(kKey).toStringList();
    // A list edited by hand may hold more than the menu shows.
    files.removeAll(QString());
    return files.mid(0, kMax);
}

void add(const QString &fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    QStringList files = list();
    files.removeAll(path);
    files.prepend(path);
    store(files);
}

void remove(const QString &fileName)
{
    QStringList files = list();
    files.removeAll(fileName);
    files.removeAll(QFileInfo(fileName).absoluteFilePath());
    store(files);
}

void clear()
{
    store({});
}

} // namespace RecentProjects
