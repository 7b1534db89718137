// Files beside the project file: zone points as CSV (coordinate tables and File menu).
#include "app/mainwindow.h"

#include "area/area_table.h"
#include "area/store/project_data.h"
#include "area/zone_csv_commands.h"
#include "ui_mainwindow.h"

#include <QStatusBar>

void MainWindow::makeFileCommands()
{
    const QList<QTableWidget *> tables[3] = {{ui->CoordTableWidgetOut1, ui->PolarTableWidgeOut1},
                                             {ui->CoordTableWidgetOut2, ui->PolarTableWidgeOut2},
                                             {ui->CoordTableWidgetOut3, ui->PolarTableWidgeOut3}};
    CsvCommands = new ZoneCsvCommands(&ProjectData(), AreaTable, this, tables);
    CsvCommands->setBeforeCommand([this] { commitPendingEdits(); });
    connect(CsvCommands, &ZoneCsvCommands::Done, this,
            [this](const QString &m) { statusBar()->showMessage(m, 8000); });

    auto *exportCsv = new QAction(QStringLiteral("导出项目为CSV…"), this);
    exportCsv->setObjectName(QStringLiteral("ExportCsv"));
    auto *importCsv = new QAction(QStringLiteral("从CSV导入项目…"), this);
    importCsv->setObjectName(QStringLiteral("ImportCsv"));
    // Beside Save As, before the separator that leads to Quit.
    QAction *before = ui->Quit;
    const QList<QAction *> actions = ui->File->actions();
    const int quit = actions.indexOf(ui->Quit);
    if (quit > 0 && actions[quit - 1]->isSeparator())
        before = actions[quit - 1];
    ui->File->insertSeparator(before);
    ui->File->insertActions(before, {exportCsv, importCsv});
    connect(exportCsv, &QAction::triggered, CsvCommands, &ZoneCsvCommands::exportProject);
    connect(importCsv, &QAction::triggered, CsvCommands, &ZoneCsvCommands::importProject);
}
