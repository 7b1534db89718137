// Edit › App Settings: the choices are kept between runs, the language switches at once, and New
// starts a project of the chosen model.
#include "app/app_settings_dialog.h"
#include "app/create.h"
#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "ui_create.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSettings>
#include <QToolButton>
#include <QtTest>

class TestAppSettings : public QObject {
    Q_OBJECT

    static void press(AppSettingsDialog *d, QDialogButtonBox::StandardButton which)
    {
        QTest::mouseClick(d->buttons()->button(which), Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings("Trevalor", "Parameters").clear();
        Dialogs::setResponder([](const Dialogs::Prompt &) { return 1; });
    }
    void cleanupTestCase() { Dialogs::setResponder({}); }

    void choicesAreAppliedKeptAndShownAgain()
    {
        ProjectData().resetToStartup();
        {
            MainWindow w;
            w.show();
            AppSettingsDialog *d = w.appSettingsDialog();
            QVERIFY(w.form()->AppSettings->isEnabled());
            w.form()->AppSettings->trigger();
            QVERIFY(d->isVisible());
            QCOMPARE(d->windowTitle(), QString("应用设置"));
            QCOMPARE(d->languageBox()->currentText(), QString("简体中文"));
            QCOMPARE(d->unsavedDesignBox()->currentText(), QString("每次询问"));
            QCOMPARE(d->defaultModelBox()->currentText(), QString("VKT-30xx"));

            d->languageBox()->setCurrentIndex(d->languageBox()->findText("English"));
            d->unsavedDesignBox()->setCurrentIndex(2);
            d->defaultModelBox()->setCurrentIndex(d->defaultModelBox()->findText("VKT-50xx"));
            press(d, QDialogButtonBox::Ok);
            QVERIFY(!d->isVisible());
            // At once, as the Language menu does: the window and the dialog itself.
            QCOMPARE(w.language(), Language::English);
            QCOMPARE(w.form()->Open->text(), QString("Open"));
            QCOMPARE(d->windowTitle(), QString("App Settings"));
            QCOMPARE(w.startDialog()->form()->LaserSensorType->currentText(), QString("VKT-50xx"));

            // Cancel keeps what was stored.
            w.form()->AppSettings->trigger();
            QCOMPARE(d->unsavedDesignBox()->currentText(),
                     QString("Keep the project (read the sensor's parameters only)"));
            d->unsavedDesignBox()->setCurrentIndex(1);
            press(d, QDialogButtonBox::Cancel);
        }
        QSettings s("Trevalor", "Parameters");
        QCOMPARE(s.value("connect/unsavedDesign").toString(), QString("keep"));
        QCOMPARE(s.value("project/defaultModel").toInt(), 4);

        // The next run: English, and the dialog shows the stored choices.
        MainWindow w;
        QCOMPARE(w.language(), Language::English);
        QCOMPARE(w.startDialog()->form()->LaserSensorType->currentText(), QString("VKT-50xx"));
        w.form()->AppSettings->trigger();
        AppSettingsDialog *d = w.appSettingsDialog();
        QCOMPARE(d->languageBox()->currentText(), QString("English"));
        QCOMPARE(d->unsavedDesignBox()->currentIndex(), 2);
        QCOMPARE(d->defaultModelBox()->currentText(), QString("VKT-50xx"));
    }

    void newStartsAProjectOfTheDefaultModel()
    {
        QSettings("Trevalor", "Parameters").setValue("project/defaultModel", 4);
        ProjectData().resetToStartup();
        MainWindow w;
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.deviceType(), 3);
        ProjectData().Areas[0].Out1Coord = {{100, 200}};
        auto *button = w.findChild<QToolButton *>("NewToolButton");
        QVERIFY(button);
        // The button's face, not its menu arrow.
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
        QCOMPARE(w.deviceType(), 4);
        QVERIFY(ProjectData().Areas[0].Out1Coord.isEmpty());
        QVERIFY(w.projectFileName().isEmpty());
    }
};

QTEST_MAIN(TestAppSettings)
#include "tst_mainwindow_app_settings.moc"
