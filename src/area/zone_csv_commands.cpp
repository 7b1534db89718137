#include "area/zone_csv_commands.h"

#include "area/area_table.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "area/zone_csv.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSaveFile>
#include <QTableWidget>

namespace {
constexpr qint64 kMaxCsvBytes = 4 * 1024 * 1024; // 64 areas of 3 full zones are far less
}

ZoneCsvCommands::ZoneCsvCommands(PROJECT_DATA *project, AREA_TABLE *areaTable, QWidget *window,
                                 const QList<QTableWidget *> tables[3])
    : QObject(window), Project(project), AreaTable(areaTable), Window(window)
{
    for (int k = 0; k < kOutputCount; ++k)
        for (QTableWidget *table : tables[k]) {
            table->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(table, &QWidget::customContextMenuRequested, this,
                    [this, k, table](const QPoint &pos) { showMenu(k, table, pos); });
        }
}

void ZoneCsvCommands::showMenu(int output, QTableWidget *table, const QPoint &pos)
{
    QMenu menu(table);
    menu.addAction(pick(Lang, "Export Points as CSV…", "导出点为CSV…"), this,
                   [this, output] { exportZone(output); });
    menu.addAction(pick(Lang, "Import Points from CSV…", "从CSV导入点…"), this,
                   [this, output] { importZone(output); });
    menu.exec(table->viewport()->mapToGlobal(pos));
}

void ZoneCsvCommands::warn(const QString &text)
{
    Dialogs::ask(Window, Dialogs::Icon::Warning, pick(Lang, "Warning", "警告"), text);
}

QString ZoneCsvCommands::chooseSaveName(QWidget *window, Language language, const QString &caption,
                                        const QString &filter, const QString &suffix)
{
    QString name = Dialogs::fileName(window, Dialogs::FileMode::Save, caption, QString(), filter);
    if (name.isEmpty())
        return name;
    if (!name.endsWith(suffix, Qt::CaseInsensitive))
        name += suffix;
    if (QFileInfo::exists(name)) {
        const int answer =
            Dialogs::ask(window, Dialogs::Icon::Question, pick(language, "Replace", "替换"),
                         pick(language, "%1 already exists. Replace it?", "%1 已存在。要替换它吗？")
                             .arg(QFileInfo(name).fileName()),
                         {pick(language, "Replace", "替换"), pick(language, "Cancel", "取消")}, 1);
        if (answer != 0)
            return QString();
    }
    return name;
}

bool ZoneCsvCommands::writeFile(const QString &name, const QByteArray &bytes, QString *error)
{
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool ZoneCsvCommands::readFile(const QString &caption, QByteArray *bytes, QString *name)
{
    *name =
        Dialogs::fileName(Window, Dialogs::FileMode::Open, caption, QString(),
                          pick(Lang, "CSV files (*.csv);;All files (*)", "CSV文件 (*.csv);;所有文件 (*)"));
    if (name->isEmpty())
        return false;
    QFile file(*name);
    if (!file.open(QIODevice::ReadOnly)) {
        warn(pick(Lang, "%1 cannot be read: %2", "无法读取 %1：%2")
                 .arg(QFileInfo(*name).fileName(), file.errorString()));
        return false;
    }
    if (file.size() > kMaxCsvBytes) {
        warn(pick(Lang, "%1 is too large for a list of zone points.", "%1 太大，不是检测区点列表。")
                 .arg(QFileInfo(*name).fileName()));
        return false;
    }
    *bytes = file.readAll();
    return true;
}

void ZoneCsvCommands::exportZone(int output)
{
    if (Before)
        Before();
    const int area = Project->clampCurrentArea();
    const QString name =
        chooseSaveName(Window, Lang, pick(Lang, "Export Points as CSV", "导出点为CSV"),
                       pick(Lang, "CSV files (*.csv)", "CSV文件 (*.csv)"), QStringLiteral(".csv"));
    if (name.isEmpty())
        return;
    QString error;
    if (!writeFile(name, ZoneCsv::writeZone(Project->Areas[area].coord(output)), &error)) {
        warn(pick(Lang, "%1 was not written: %2", "%1 未写入：%2").arg(QFileInfo(name).fileName(), error));
        return;
    }
    emit Done(pick(Lang, "Area %1 Out %2: points written to %3", "区域%1输出%2：点已写入 %3")
                  .arg(area)
                  .arg(output + 1)
                  .arg(QFileInfo(name).fileName()));
}

void ZoneCsvCommands::importZone(int output)
{
    if (Before)
        Before();
    QByteArray bytes;
    QString name;
    if (!readFile(pick(Lang, "Import Points from CSV", "从CSV导入点"), &bytes, &name))
        return;
    const int area = Project->clampCurrentArea();
    AREA_DATA &data = Project->Areas[area];
    QVector<QPoint> points;
    ZoneCsv::Refusal refusal;
    if (!ZoneCsv::readZone(bytes, data.shape(output), output, &points, &refusal)) {
        warn(pick(Lang, "%1 was not imported.\n%2", "%1 未导入。\n%2")
                 .arg(QFileInfo(name).fileName(), refusal.text(Lang)));
        return;
    }
    data.coord(output) = points;
    AreaTable->SaveUndoArea(area);
    emit AreaTable->EditAreaDataSignal();
    emit Done(pick(Lang, "Area %1 Out %2: %3 points imported", "区域%1输出%2：已导入%3个点")
                  .arg(area)
                  .arg(output + 1)
                  .arg(points.size()));
}

void ZoneCsvCommands::exportProject()
{
    if (Before)
        Before();
    const QString name =
        chooseSaveName(Window, Lang, pick(Lang, "Export Project as CSV", "导出项目为CSV"),
                       pick(Lang, "CSV files (*.csv)", "CSV文件 (*.csv)"), QStringLiteral(".csv"));
    if (name.isEmpty())
        return;
    QString error;
    if (!writeFile(name, ZoneCsv::writeProject(*Project), &error)) {
        warn(pick(Lang, "%1 was not written: %2", "%1 未写入：%2").arg(QFileInfo(name).fileName(), error));
        return;
    }
    emit Done(pick(Lang, "All zones written to %1", "全部检测区已写入 %1").arg(QFileInfo(name).fileName()));
}

void ZoneCsvCommands::importProject()
{
    if (Before)
        Before();
    QByteArray bytes;
    QString name;
    if (!readFile(pick(Lang, "Import Project from CSV", "从CSV导入项目"), &bytes, &name))
        return;
    QMap<int, ZoneCsv::AreaZones> areas;
    ZoneCsv::Refusal refusal;
    if (!ZoneCsv::readProject(bytes, &areas, &refusal)) {
        warn(pick(Lang, "%1 was not imported.\n%2", "%1 未导入。\n%2")
                 .arg(QFileInfo(name).fileName(), refusal.text(Lang)));
        return;
    }
    // Areas the file does not name keep their zones; the named ones take exactly the file's.
    for (auto it = areas.cbegin(); it != areas.cend(); ++it) {
        AREA_DATA &data = Project->Areas[it.key()];
        for (int k = 0; k < kOutputCount; ++k) {
            data.shape(k) = it->shape[k];
            data.coord(k) = it->points[k];
        }
        AreaTable->SaveUndoArea(it.key());
    }
    emit AreaTable->EditAreaDataSignal();
    emit Done(pick(Lang, "Zones of %1 areas imported from %2", "已从 %2 导入%1个区域的检测区点")
                  .arg(areas.size())
                  .arg(QFileInfo(name).fileName()));
}
