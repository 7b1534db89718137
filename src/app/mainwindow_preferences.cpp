// Edit › App Settings, and what follows its choices: the language at once, the model of New.
#include "app/app_settings_dialog.h"
#include "app/create.h"
#include "app/mainwindow.h"

#include "ui_create.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QToolButton>

void MainWindow::makeAppSettings()
{
    AppSettings = new AppSettingsDialog(this);
    connect(ui->AppSettings, &QAction::triggered, this, [this] {
        AppSettings->load(Lang);
        AppSettings->open();
    });
    connect(AppSettings, &AppSettingsDialog::SettingsApplied, this, [this] {
        if (AppSettings->chosenLanguage() != Lang) {
            if (AppSettings->chosenLanguage() == Language::English)
                LanguageToEnglish();
            else
                LanguageToChinese();
        }
        StartDialog->form()->LaserSensorType->setCurrentIndex(AppSettingsDialog::defaultModel() == Laser50);
    });
    // The button itself (not its arrow) starts a project of the chosen default model.
    connect(NewButton, &QToolButton::clicked, this,
            [this] { createNewProject(AppSettingsDialog::defaultModel()); });
    StartDialog->form()->LaserSensorType->setCurrentIndex(AppSettingsDialog::defaultModel() == Laser50);
}
