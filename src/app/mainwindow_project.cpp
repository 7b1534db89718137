// The project as a file: New, Open (menu, start dialog), Save, Save As, the question before unsaved
// changes are dropped, the undo base of a fresh design and the title bar.
#include "app/mainwindow.h"
#include "app/recent_projects.h"

#include "area/area_table.h"
#include "area/coord_table.h"
#include "area/dialogs.h"
#include "area/edit_control.h"
#include "area/file/project_file.h"
#include "area/store/project_data.h"
#include "comm/sensor_setting.h"
#include "comm/serial_comm.h"
#include "editor/option_scene.h"
#include "ui_mainwindow.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QLoggingCategory>
#include <QSettings>

// Off unless asked for (QT_LOGGING_RULES="veltrin.project.info=true"): what a file opened into.
Q_LOGGING_CATEGORY(lcProject, "veltrin.project", QtWarningMsg)

namespace {
struct OpenTexts {
    QString title;
    QString damaged;
    QString dialog;
};

OpenTexts openTexts(Language language)
{
    if (language == Language::English)
        return {"Error", "FileError", "Open Config file"};
    return {"错误", "文件损坏", "打开配置文件"};
}

const char *const kLastFolderKey = "project/lastFolder";

QString lastFolder()
{
    return QSettings("Trevalor", "Parameters").value(kLastFolderKey).toString();
}

void rememberFolder(const QString &fileName)
{
    QSettings("Trevalor", "Parameters").setValue(kLastFolderKey, QFileInfo(fileName).absolutePath());
}
} // namespace

// ---- pending edits and title ------------------------------------------------------------------

void MainWindow::commitPendingEdits()
{
    // A coordinate cell still open in its editor: hand the typed text to the table as Enter would.
    // The tables have no cell widgets of their own, so a widget at a cell is its editor.
    for (QTableWidget *table : {ui->CoordTableWidgetOut1, ui->CoordTableWidgetOut2, ui->CoordTableWidgetOut3,
                                ui->PolarTableWidgeOut1, ui->PolarTableWidgeOut2, ui->PolarTableWidgeOut3})
        for (int row = 0; row < table->rowCount(); ++row)
            for (int column = 0; column < table->columnCount(); ++column)
                if (QWidget *editor = table->indexWidget(table->model()->index(row, column))) {
                    QMetaObject::invokeMethod(table, "commitData", Q_ARG(QWidget *, editor));
                    QMetaObject::invokeMethod(
                        table, "closeEditor", Q_ARG(QWidget *, editor),
                        Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
                }
    // A spin box being typed into: its text becomes its value, and the case channel takes it.
    for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (auto *spin = qobject_cast<QAbstractSpinBox *>(w)) {
            spin->interpretText();
            break;
        }
    EditControl->CommitCaseChannel();
}

void MainWindow::refreshTitle()
{
    const QString name =
        ProjectFileName.isEmpty() ? pick(Lang, "Untitled", "未命名") : QFileInfo(ProjectFileName).fileName();
    setWindowTitle(QString("%1[*] — Veltrin").arg(name));
    setWindowModified(ProjectData().Modified);
}

// ---- loading ----------------------------------------------------------------------------------

QStringList MainWindow::applyProjectContents(const ProjectFile::Contents &contents)
{
    QStringList repaired;
    SensorSetting->SetControlStates(contents.sensorStates);
    const QVector<int> &read = contents.sensorStates;
    const QVector<int> shown = SensorSetting->ControlStates();
    for (int c = 0; c < read.size() && c < shown.size(); ++c)
        if (read[c] != shown[c])
            repaired << pick(Lang, "Sensor setting %1: %2 is out of range, now %3",
                             "传感器设置 %1：%2 超出范围，改为 %3")
                            .arg(QString::fromLatin1(SENSOR_SETTING::controlName(c)).mid(5))
                            .arg(read[c])
                            .arg(shown[c]);
    for (const ProjectFile::Repair &r : contents.repairs)
        repaired << ProjectFile::describe(r, Lang);
    return repaired;
}

void MainWindow::refreshEditors()
{
    EditControl->EditControlUpdateEditData();
    CoordTable->CoordTableWidgeUpdate();
    AreaTable->AreaTableWidgetAllDisplay();
    scene->update();
    OptionScene->CoordTableUpdatePointItem();
}

// A read from the sensor is one undo step of every area it changed: Undo brings back the design held
// before the read, Redo what was read. A read that changed the design leaves it unsaved and no longer
// the design of the file it came from: Save asks for a name rather than overwrite that file.
void MainWindow::areasReadFromSensor()
{
    PROJECT_DATA &p = ProjectData();
    const bool wasModified = p.Modified;
    bool changed = false;
    for (int area = 0; area < kAreaCount; ++area)
        if (p.Areas[area] != p.UndoHistory[area].value(p.UndoPosition[area])) {
            AreaTable->SaveUndoArea(area);
            changed = true;
        }
    p.Modified = wasModified || changed;
    if (changed) {
        ProjectFileName.clear();
        ProjectFromFile = false;
    }
    DesignAsRead = p.Areas;
    DesignReadFrom = SensorSerialNumber;
    refreshEditors();
    AreaTable->RefreshUndoActions();
    refreshTitle();
}

// After New or Open the design as it stands is where Undo stops.
void MainWindow::resetUndoBase()
{
    PROJECT_DATA &p = ProjectData();
    for (int area = 0; area < kAreaCount; ++area) {
        p.UndoHistory[area] = QVector<AREA_DATA>{p.Areas[area]};
        p.UndoPosition[area] = 0;
    }
    AreaTable->RefreshUndoActions();
    AreaTable->clearChangeMarks();
}

void MainWindow::adoptProjectFile(const QString &name)
{
    ProjectFileName = QFileInfo(name).absoluteFilePath();
    rememberFolder(ProjectFileName);
    RecentProjects::add(ProjectFileName);
    refreshRecentProjects();
    refreshTitle();
}

// Save, Discard or Cancel before unsaved changes would be dropped; true when the caller may go on.
bool MainWindow::maybeSaveChanges()
{
    commitPendingEdits();
    if (!ProjectData().Modified)
        return true;
    const int choice = Dialogs::ask(
        this, Dialogs::Icon::Warning, pick(Lang, "Warning", "警告"),
        pick(Lang, "The project has unsaved changes.\nDo you want to save them first?",
             "工程有未保存的修改。\n是否先保存？"),
        {pick(Lang, "Save", "保存"), pick(Lang, "Discard", "不保存"), pick(Lang, "Cancel", "取消")});
    if (choice == 0)
        return savefile();
    return choice == 1;
}

bool MainWindow::openProjectPath(const QString &name, bool anyModel)
{
    const OpenTexts texts = openTexts(Lang);
    PROJECT_DATA &p = ProjectData();
    ProjectFile::Contents contents;
    switch (ProjectFile::load(name, p, contents, anyModel ? -1 : DeviceType)) {
    case ProjectFile::LoadStatus::Loaded: break;
    case ProjectFile::LoadStatus::CannotOpen:
        if (!anyModel)
            Dialogs::ask(this, Dialogs::Icon::Information, pick(Lang, "Document", "文件"),
                         pick(Lang, "No document", "没有文件"),
                         {pick(Lang, "OK", "确定"), pick(Lang, "Cancel", "取消")});
        return false;
    case ProjectFile::LoadStatus::TooLarge:
        Dialogs::ask(this, Dialogs::Icon::Information, texts.title,
                     pick(Lang, "%1 is too large for a project file (%2 MB); nothing was read.",
                          "%1 太大，不是工程文件（%2 MB）；未读取任何内容。")
                         .arg(QFileInfo(name).fileName())
                         .arg(double(QFileInfo(name).size()) / (1024 * 1024), 0, 'f', 1));
        return false;
    case ProjectFile::LoadStatus::NotAProject:
    case ProjectFile::LoadStatus::OtherModel:
        // A file of another model, or no project at all, changes nothing.
        Dialogs::ask(this, Dialogs::Icon::Information, texts.title, texts.damaged);
        return false;
    }
    const int code = contents.deviceType;
    const QStringList repaired = applyProjectContents(contents);
    if (code != DeviceType) {
        DEVICETYPE type = code;
        CreateDeviceType(&type);
    }
    refreshEditors();
    resetUndoBase();
    // A repaired design is no longer what the file holds.
    p.Modified = !repaired.isEmpty();
    adoptProjectFile(name);
    int points = 0;
    for (const AREA_DATA &area : p.Areas)
        for (int output = 0; output < kOutputCount; ++output)
            points += area.coord(output).size();
    qCInfo(lcProject).noquote() << QString("opened %1: model %2, %3 zone points")
                                       .arg(QDir::toNativeSeparators(name))
                                       .arg(QLatin1String(deviceInfo(DeviceType)->extension + 1))
                                       .arg(points);
    ProjectFromFile = true;
    DesignReadFrom = -1;
    if (!repaired.isEmpty()) {
        constexpr int kShown = 20;
        QStringList lines = repaired.mid(0, kShown);
        if (repaired.size() > kShown)
            lines << pick(Lang, "… and %1 more", "……另有 %1 处").arg(repaired.size() - kShown);
        Dialogs::ask(
            this, Dialogs::Icon::Warning, pick(Lang, "Project repaired", "工程文件已修复"),
            pick(Lang, "%1 was damaged. These values were repaired:\n\n", "%1 已损坏。以下内容已修复：\n\n")
                    .arg(QFileInfo(name).fileName()) +
                lines.join('\n'));
    }
    return true;
}

void MainWindow::openfile()
{
    SerialComm->AbandonExchange();
    if (!maybeSaveChanges())
        return;
    const DeviceInfo *info = deviceInfo(DeviceType);
    if (!info)
        return;
    const QString name = Dialogs::fileName(this, Dialogs::FileMode::Open, openTexts(Lang).dialog,
                                           lastFolder(), QString("(*%1)").arg(info->extension));
    if (!name.isEmpty())
        openProjectPath(name, false);
}

void MainWindow::OpenProject()
{
    if (!maybeSaveChanges())
        return;
    const QString name =
        Dialogs::fileName(this, Dialogs::FileMode::Open, openTexts(Lang).dialog, lastFolder(), QString());
    if (!name.isEmpty())
        openProjectPath(name);
}

// A file named on the command line (a double-click in the file manager): opened as the start
// dialog's Open would, or the start dialog is shown when it cannot be.
void MainWindow::openFromCommandLine(const QString &name)
{
    if (!QFileInfo(name).isFile() || !QFileInfo(name).isReadable()) {
        Dialogs::ask(this, Dialogs::Icon::Information, pick(Lang, "Error", "错误"),
                     pick(Lang, "Cannot open %1", "无法打开 %1").arg(QDir::toNativeSeparators(name)));
        showStartDialog();
        return;
    }
    if (!openProjectPath(name))
        showStartDialog();
}

// ---- new ----------------------------------------------------------------------------------------

void MainWindow::createNewProject(int code)
{
    if (!maybeSaveChanges())
        return;
    DEVICETYPE type = code;
    CreateDeviceType(&type);
    ClearAllEditData();
    // A new project keeps nothing of the old one: case channels and undo histories start afresh.
    for (AREA_DATA &area : ProjectData().Areas) {
        area.SteerMinDgree = area.SteerMaxDgree = 0;
        area.VehicleMinSpeed = area.VehicleMaxSpeed = 0;
        area.VehicleOptionMode = 0;
    }
    EditControl->EditControlUpdateEditData();
    resetUndoBase();
    ProjectFileName.clear();
    ProjectFromFile = false;
    BlankDesign = ProjectData().Areas;
    DesignReadFrom = -1;
    refreshTitle();
}

// ---- saving -----------------------------------------------------------------------------------

bool MainWindow::savefile()
{
    if (ProjectFileName.isEmpty())
        return saveProjectAs();
    SerialComm->AbandonExchange();
    commitPendingEdits();
    return saveProjectTo(ProjectFileName);
}

bool MainWindow::saveProjectAs()
{
    SerialComm->AbandonExchange();
    commitPendingEdits();
    const DeviceInfo *info = deviceInfo(DeviceType);
    if (!info)
        return false;
    const QString folder =
        ProjectFileName.isEmpty() ? lastFolder() : QFileInfo(ProjectFileName).absolutePath();
    const QString chosen =
        Dialogs::fileName(this, Dialogs::FileMode::Save, pick(Lang, "Save Project", "保存配置文件"), folder,
                          pick(Lang, "Veltrin project (*%1)", "Veltrin 工程文件 (*%1)").arg(info->extension));
    if (chosen.isEmpty())
        return false;
    // The extension is added after the dialog, so the dialog never saw the final name: ask here.
    const QString name = ProjectFile::withExtension(chosen, DeviceType);
    if (QFileInfo::exists(name)) {
        const int choice = Dialogs::ask(
            this, Dialogs::Icon::Warning, pick(Lang, "Warning", "警告"),
            pick(Lang, "\"%1\" already exists.\nDo you want to replace it?", "“%1”已存在。\n是否替换？")
                .arg(QFileInfo(name).fileName()),
            {pick(Lang, "Replace", "替换"), pick(Lang, "Cancel", "取消")}, 1);
        if (choice != 0)
            return false;
    }
    return saveProjectTo(name);
}

bool MainWindow::saveProjectTo(const QString &name)
{
    QString error;
    if (!ProjectFile::save(name, DeviceType, SensorSetting->ControlStates(), ProjectData(), &error)) {
        Dialogs::ask(this, Dialogs::Icon::Critical, pick(Lang, "Error", "错误"),
                     pick(Lang, "The project could not be saved to \"%1\":\n%2\nThe design is still unsaved.",
                          "工程文件无法保存到“%1”：\n%2\n设计仍未保存。")
                         .arg(QDir::toNativeSeparators(name), error));
        refreshTitle();
        return false;
    }
    AreaTable->clearChangeMarks();
    adoptProjectFile(name);
    return true;
}
