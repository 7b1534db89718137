// Teaching a zone in the window, connected to the stand-in: the Teaching tab works only while the
// live scan runs, shows the taught outline over the scan and asks; Discard changes nothing, Accept
// makes the output a polygon of the taught points as one undo step.
#include "ui_mainwindow.h"

#include "app/mainwindow.h"
#include "area/area_table.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "editor/teach_control.h"
#include "exchange_helpers.h"

#include <QDir>
#include <QGraphicsPathItem>
#include <QSettings>
#include <QtTest>

class TestTeachWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<SimProcess> m_sim;
    QList<Dialogs::Prompt> m_prompts;
    int m_answer = 1;
    bool m_previewShown = false;
    std::function<void()> m_onQuestion;

    PROJECT_DATA &p() { return ProjectData(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        ScanData().ConnectType = 1;
        m_prompts.clear();
        Dialogs::setResponder([this](const Dialogs::Prompt &prompt) {
            m_prompts << prompt;
            if (prompt.icon == Dialogs::Icon::Question && m_onQuestion)
                m_onQuestion();
            return prompt.icon == Dialogs::Icon::Question ? m_answer : 0;
        });
    }
    void cleanup()
    {
        Dialogs::setResponder({});
        m_sim.reset();
    }

    void teachPreviewAcceptAndDiscard()
    {
        m_sim = startSimAt("127.0.16.2", {QStringLiteral("--rate"), QStringLiteral("50")});
        QVERIFY(m_sim);
        MainWindow w;
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.LanguageToEnglish();
        Ui::MainWindow *ui = w.form();
        TeachControl *teach = w.teachControl();
        QVERIFY(teach);
        QVERIFY(!ui->ButtonTeachOut1->isEnabled()); // no live scan yet
        QVERIFY(ui->ButtonSelectOut1->isHidden());
        QCOMPARE(ui->SpinCorner1Out1->minimum(), -70);
        QCOMPARE(ui->SpinCorner2Out1->maximum(), 250);

        w.ConnectChangeEthernetModeSlot();
        w.CreatEthernetPort(QStringLiteral("127.0.16.2"));
        QTRY_VERIFY_WITH_TIMEOUT(ui->ButtonTeachOut1->isEnabled(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(ScanData().EtherCount > 0, 5000);
        w.ZoomToFitSlot();
        ui->ZoomSlider->setValue(ui->ZoomSlider->value() - 25); // the whole room in view
        ui->TableCoordinatesOut1->setCurrentIndex(1);           // the Teaching tab
        m_prompts.clear();

        ui->AreaEditTab->setCurrentIndex(0);
        ui->SpinCorner1Out1->setValue(-20);
        ui->SpinCorner2Out1->setValue(200);
        ui->SpinSize1Out1->setValue(3);
        ui->SpinDistanceOffsetOut1->setValue(300);
        ui->MethodOut1->setCurrentIndex(1); // Minimum
        ui->CheckSimplifyResultOut1->setChecked(true);
        ui->SpinSize2Out1->setValue(40);

        const AREA_DATA before = p().Areas[p().CurrentArea];
        const int area = p().CurrentArea;
        const int steps = p().UndoHistory[area].size();

        // Discard: the preview was shown while asked, and nothing changes.
        m_answer = 1;
        m_onQuestion = [&] {
            m_previewShown = teach->preview() && teach->preview()->scene() == w.editorScene();
            QDir().mkpath(VELTRIN_TEST_OUTPUT);
            w.grab().save(QString(VELTRIN_TEST_OUTPUT) + "/teach_preview.png");
        };
        QTest::mouseClick(ui->ButtonTeachOut1, Qt::LeftButton);
        QVERIFY(ui->ButtonTeachOut1->text().startsWith("Cancel ("));
        QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 1, 10000);
        QVERIFY(m_previewShown);
        QVERIFY(m_prompts[0].text.contains("points taught from 3 revolutions"));
        QCOMPARE(m_prompts[0].buttons, QStringList({"Accept", "Discard"}));
        QVERIFY(!teach->preview());
        QCOMPARE(p().Areas[area], before);
        QCOMPARE(p().UndoHistory[area].size(), steps);
        QCOMPARE(ui->ButtonTeachOut1->text(), QString("Start Teach"));

        // Accept: a polygon of the taught points, one undo step that Undo takes back.
        m_answer = 0;
        m_onQuestion = {};
        QTest::mouseClick(ui->ButtonTeachOut1, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_prompts.size(), 2, 10000);
        const AREA_DATA &taught = p().Areas[area];
        QCOMPARE(taught.Out1Shape, int(Polygon));
        QVERIFY(taught.Out1Coord.size() >= 4 && taught.Out1Coord.size() <= kMaxZonePoints);
        QCOMPARE(p().UndoHistory[area].size(), steps + 1);
        QCOMPARE(ui->CoordTableWidgetOut1->rowCount(), taught.Out1Coord.size() + 1);
        QVERIFY(p().Modified);
        w.areaTable()->UndoAreaTableData();
        QCOMPARE(p().Areas[area].Out1Coord, before.Out1Coord);

        // The Chinese texts follow the language switch.
        w.LanguageToChinese();
        QCOMPARE(ui->ButtonTeachOut1->text(), QString::fromUtf8("开始自学习"));
        QCOMPARE(ui->SpinSize1Out1->toolTip(), QString::fromUtf8("采集圈数"));

        // Without the live scan the tab cannot be used.
        w.CloseSerialPort();
        QTRY_VERIFY_WITH_TIMEOUT(!ui->ButtonTeachOut1->isEnabled(), TeachControl::kScanQuietMs + 2000);
    }
};

QTEST_MAIN(TestTeachWindow)
#include "tst_mainwindow_teach.moc"
