// Opening project files: from the menu for the current model, or from the start dialog for any model.
#include "app/mainwindow.h"

#include "area/area_table.h"
#include "area/coord_table.h"
#include "area/dialogs.h"
#include "area/edit_control.h"
#include "area/project_file.h"
#include "area/store/project_data.h"
#include "comm/sensor_setting.h"
#include "comm/serial_comm.h"
#include "editor/option_scene.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTextStream>

// Off unless asked for (QT_LOGGING_RULES="veltrin.project.info=true"): what a file opened into.
Q_LOGGING_CATEGORY(lcProject, "veltrin.project", QtWarningMsg)

namespace {
struct OpenTexts {
    QString title;
    QString damaged;
    QString dialog;
};

OpenTexts openTexts(int language)
{
    if (language == 1)
        return {"Error", "FileError", "Open Config file"};
    return {"错误", "文件损坏", "打开配置文件"};
}
} // namespace

void MainWindow::readProjectSections(QTextStream &in)
{
    SensorSetting->ReadSettingSection(in);
    ProjectFile::readAreas(in, ProjectData());
}

void MainWindow::refreshAfterAreasLoaded()
{
    EditControl->EditControlUpdateEditData();
    CoordTable->CoordTableWidgeUpdate();
    AreaTable->SaveAllUndoAreaTableData();
    AreaTable->AreaTableWidgetAllDisplay();
    scene->update();
    OptionScene->CoordTableUpdatePointItem();
}

void MainWindow::openfile()
{
    SerialComm->AbandonExchange();
    const OpenTexts texts = openTexts(Language);
    const DeviceInfo *info = deviceInfo(DeviceType);
    if (!info)
        return;
    const QString name = Dialogs::fileName(this, Dialogs::FileMode::Open, texts.dialog, QString(),
                                           QString("(*%1)").arg(info->extension));
    if (name.isEmpty())
        return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        Dialogs::ask(this, Dialogs::Icon::Information, "Document", "No document", {"OK", "Cancel"});
        return;
    }
    QTextStream in(&file);
    if (in.readLine() == QLatin1String(info->magic))
        readProjectSections(in);
    else
        Dialogs::ask(this, Dialogs::Icon::Information, texts.title, texts.damaged);
    refreshAfterAreasLoaded();
}

void MainWindow::OpenProject()
{
    const OpenTexts texts = openTexts(Language);
    const QString name = Dialogs::fileName(this, Dialogs::FileMode::Open, texts.dialog, QString(), QString());
    if (name.isEmpty())
        return;
    openProjectPath(name);
}

bool MainWindow::openProjectPath(const QString &name)
{
    const OpenTexts texts = openTexts(Language);
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    const QString magic = in.readLine();
    int code = -1;
    for (int c = Laser05; c <= Laser50 && code < 0; ++c)
        if (magic == QLatin1String(deviceInfo(c)->magic))
            code = c;
    if (code < 0) {
        Dialogs::ask(this, Dialogs::Icon::Information, texts.title, texts.damaged);
        return false;
    }
    DeviceType = code;
    readProjectSections(in);
    EditControl->EditControlUpdateEditData();
    CoordTable->CoordTableWidgeUpdate();
    AreaTable->SaveAllUndoAreaTableData();
    AreaTable->AreaTableWidgetAllDisplay();
    DEVICETYPE type = code;
    CreateDeviceType(&type);
    OptionScene->CoordTableUpdatePointItem();
    int points = 0;
    for (const AREA_DATA &area : ProjectData().Areas)
        for (int output = 0; output < kOutputCount; ++output)
            points += area.coord(output).size();
    qCInfo(lcProject).noquote() << QString("opened %1: model %2, %3 zone points")
                                       .arg(QDir::toNativeSeparators(name))
                                       .arg(QLatin1String(deviceInfo(DeviceType)->extension + 1))
                                       .arg(points);
    ProjectFromFile = true;
    return true;
}

// A file named on the command line (a double-click in the file manager): opened as the start
// dialog's Open would, or the start dialog is shown when it cannot be.
void MainWindow::openFromCommandLine(const QString &name)
{
    if (!QFileInfo(name).isFile() || !QFileInfo(name).isReadable()) {
        Dialogs::ask(this, Dialogs::Icon::Information, Language == 1 ? "Error" : "错误",
                     (Language == 1 ? QString("Cannot open %1") : QString("无法打开 %1"))
                         .arg(QDir::toNativeSeparators(name)));
        showStartDialog();
        return;
    }
    if (!openProjectPath(name))
        showStartDialog();
}
