// Recent Projects: the File menu's submenu and the start dialog's list, both from the settings.
#include "app/create.h"
#include "app/mainwindow.h"
#include "app/recent_projects.h"

#include "area/dialogs.h"
#include "comm/serial_comm.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

void MainWindow::makeRecentProjectsMenu()
{
    RecentMenu = new QMenu(this);
    RecentMenu->setObjectName(QStringLiteral("RecentProjects"));
    const QList<QAction *> actions = ui->File->actions();
    // After Save As, before the separator above Quit.
    ui->File->insertMenu(actions.value(actions.indexOf(ui->SaveAs) + 1), RecentMenu);
    // Built when opened: the list and the language are always the current ones.
    connect(RecentMenu, &QMenu::aboutToShow, this, &MainWindow::fillRecentProjectsMenu);
    connect(StartDialog, &Create::OpenRecentSignal, this,
            [this](const QString &file) { openRecentProject(file, true); });
    refreshRecentProjects();
}

void MainWindow::fillRecentProjectsMenu()
{
    RecentMenu->clear();
    const QStringList files = RecentProjects::list();
    for (int i = 0; i < files.size(); ++i) {
        const QString file = files[i];
        QAction *a = RecentMenu->addAction(
            QString("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName().replace('&', "&&")));
        a->setToolTip(QDir::toNativeSeparators(file));
        a->setStatusTip(QDir::toNativeSeparators(file));
        connect(a, &QAction::triggered, this, [this, file] { openRecentProject(file, false); });
    }
    if (files.isEmpty())
        RecentMenu->addAction(pick(Lang, "No recent projects", "没有最近的工程"))->setEnabled(false);
    RecentMenu->addSeparator();
    QAction *clear = RecentMenu->addAction(pick(Lang, "Clear", "清除"));
    clear->setObjectName(QStringLiteral("ClearRecentProjects"));
    clear->setEnabled(!files.isEmpty());
    connect(clear, &QAction::triggered, this, [this] {
        RecentProjects::clear();
        refreshRecentProjects();
    });
}

void MainWindow::refreshRecentProjects()
{
    StartDialog->setRecentProjects(RecentProjects::list());
}

void MainWindow::openRecentProject(const QString &fileName, bool fromStartDialog)
{
    // Back to the start dialog when nothing was opened from it: the user still has to choose.
    auto backToStart = [this, fromStartDialog] {
        if (fromStartDialog) {
            StartDialog->UpdateEthernetSetting();
            showStartDialog();
        }
    };
    if (!QFileInfo(fileName).isFile()) {
        Dialogs::ask(this, Dialogs::Icon::Warning, pick(Lang, "Recent Projects", "最近的工程"),
                     pick(Lang,
                          "\"%1\" was not found: it may have been moved, renamed or deleted.\n"
                          "It was removed from the recent projects.",
                          "未找到“%1”：该文件可能已被移动、重命名或删除。\n已从最近的工程中移除。")
                         .arg(QDir::toNativeSeparators(fileName)));
        RecentProjects::remove(fileName);
        refreshRecentProjects();
        backToStart();
        return;
    }
    SerialComm->AbandonExchange();
    if (!maybeSaveChanges() || !openProjectPath(fileName))
        backToStart();
}
