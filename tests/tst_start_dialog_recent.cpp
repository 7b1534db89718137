// Recent Projects: the files saved and opened last, in the File menu and in the start dialog, kept
// between runs; a file gone since is said so and taken off; Clear empties both; both languages.
#include "app/create.h"
#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "ui_create.h"
#include "ui_mainwindow.h"

#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestRecentProjects : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString chosen; // what the save dialog answers
    QStringList messages;

    QString path(const QString &name) const { return dir.filePath(name); }

    static QStringList menuTexts(MainWindow &w)
    {
        QMenu *menu = w.recentProjectsMenu();
        emit menu->aboutToShow();
        QStringList texts;
        for (QAction *a : menu->actions())
            texts << (a->isSeparator() ? QString("--") : a->text() + (a->isEnabled() ? "" : " (off)"));
        return texts;
    }
    static QAction *menuAction(MainWindow &w, const QString &text)
    {
        emit w.recentProjectsMenu()->aboutToShow();
        for (QAction *a : w.recentProjectsMenu()->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    }
    static QStringList startList(MainWindow &w)
    {
        QListWidget *list = w.startDialog()->form()->RecentProjectsList;
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings("Trevalor", "Parameters").clear();
        Dialogs::setResponder([this](const Dialogs::Prompt &p) {
            messages << p.text;
            return 1; // Discard before opening another project
        });
        Dialogs::setFileResponder([this](const Dialogs::FilePrompt &) { return chosen; });
    }
    void cleanupTestCase()
    {
        Dialogs::setResponder({});
        Dialogs::setFileResponder({});
    }

    void savedAndOpenedFilesAreListedMostRecentFirst()
    {
        ProjectData().resetToStartup();
        {
            MainWindow w;
            w.LanguageToEnglish();
            QCOMPARE(menuTexts(w), (QStringList{"No recent projects (off)", "--", "Clear (off)"}));
            QVERIFY(w.startDialog()->form()->RecentProjectsList->isHidden());
            for (int i = 1; i <= 9; ++i) {
                chosen = path(QString("site%1").arg(i));
                QVERIFY(w.saveProjectAs());
            }
            // Only the last 8; opening an older one moves it to the top, once.
            QVERIFY(w.openProjectPath(path("site5.VKT30")));
            QCOMPARE(startList(w), (QStringList{"site5.VKT30", "site9.VKT30", "site8.VKT30", "site7.VKT30",
                                                "site6.VKT30", "site4.VKT30", "site3.VKT30", "site2.VKT30"}));
            QCOMPARE(menuTexts(w).mid(0, 2), (QStringList{"&1 site5.VKT30", "&2 site9.VKT30"}));
            QCOMPARE(w.startDialog()->form()->RecentProjectsList->item(0)->toolTip(),
                     QDir::toNativeSeparators(path("site5.VKT30")));
        }
        // The next run finds them again; the menu opens the file it names.
        MainWindow w;
        w.LanguageToEnglish();
        QCOMPARE(startList(w).size(), 8);
        QAction *second = menuAction(w, "&2 site9.VKT30");
        QVERIFY(second);
        second->trigger();
        QCOMPARE(w.projectFileName(), path("site9.VKT30"));
        QCOMPARE(startList(w).value(0), QString("site9.VKT30"));
    }

    void aFileGoneSinceIsSaidSoAndTakenOff()
    {
        MainWindow w;
        w.LanguageToEnglish();
        QVERIFY(QFile::remove(path("site8.VKT30")));
        const QString before = w.projectFileName();

        // From the start dialog: the dialog comes back, since nothing was opened.
        w.showStartDialog();
        QListWidget *list = w.startDialog()->form()->RecentProjectsList;
        list->setCurrentRow(startList(w).indexOf("site8.VKT30"));
        messages.clear();
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY2(messages.size() == 1, qPrintable(messages.join(" | ")));
        QVERIFY(messages.first().contains("was not found") &&
                messages.first().contains(QDir::toNativeSeparators(path("site8.VKT30"))));
        QCOMPARE(startList(w).size(), 7);
        QVERIFY(w.startDialog()->isVisible());
        QCOMPARE(w.projectFileName(), before);

        w.LanguageToChinese();
        QCOMPARE(w.recentProjectsMenu()->title(), QString("最近的工程"));
        w.startDialog()->hide();
    }

    void clearEmptiesMenuAndStartDialog()
    {
        MainWindow w;
        w.LanguageToChinese();
        QAction *clear = menuAction(w, "清除");
        QVERIFY(clear && clear->isEnabled());
        clear->trigger();
        QVERIFY(startList(w).isEmpty());
        QVERIFY(w.startDialog()->form()->RecentProjectsList->isHidden());
        QCOMPARE(menuTexts(w), (QStringList{"没有最近的工程 (off)", "--", "清除 (off)"}));
        MainWindow next;
        QVERIFY(startList(next).isEmpty());
    }
};

QTEST_MAIN(TestRecentProjects)
#include "tst_start_dialog_recent.moc"
