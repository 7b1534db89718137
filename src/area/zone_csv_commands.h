#pragma once

#include "area/store/language.h"
// The window's side of CSV: the coordinate tables' context menu (this zone's points) and the File
// menu's whole-project commands. File dialogs and messages go through the dialog seam; an import
// becomes one undo step of each area it changes.

#include <QList>
#include <QObject>
#include <functional>

class AREA_TABLE;
class PROJECT_DATA;
class QTableWidget;
class QWidget;

class ZoneCsvCommands : public QObject {
    Q_OBJECT
public:
    // tables[k] are the tables (Cartesian and polar) that show output k; each gets the menu.
    ZoneCsvCommands(PROJECT_DATA *project, AREA_TABLE *areaTable, QWidget *window,
                    const QList<QTableWidget *> tables[3]);

    void setLanguage(Language language) { Lang = language; }
    // Run before a command reads the design (a value still being typed is taken first).
    void setBeforeCommand(std::function<void()> before) { Before = std::move(before); }

    void exportZone(int output);
    void importZone(int output);
    void exportProject();
    void importProject();

    // A save name for a file of this suffix: chosen, the suffix added, a replaced file confirmed.
    // Empty when the user cancelled.
    static QString chooseSaveName(QWidget *window, Language language, const QString &caption,
                                  const QString &filter, const QString &suffix);
    // Writes bytes whole or not at all; false with the reason in *error.
    static bool writeFile(const QString &name, const QByteArray &bytes, QString *error);

signals:
    // One line for the status bar after a command succeeded.
    void Done(const QString &message);

private:
    void showMenu(int output, QTableWidget *table, const QPoint &pos);
    bool readFile(const QString &caption, QByteArray *bytes, QString *name);
    void warn(const QString &text);

    PROJECT_DATA *Project;
    AREA_TABLE *AreaTable;
    QWidget *Window;
    Language Lang = Language::Chinese;
    std::function<void()> Before;
};
