#include "ui_mainwindow.h" // generated form; included here so the build generates it for this test

#include "tst_area_table_harness.h"

#include <QSignalSpy>
#include <QTabBar>

Q_DECLARE_METATYPE(QVector<QPoint>)

class TestEditControl : public AreaEditingTest {
    Q_OBJECT

    QPushButton *button(int output, int shape)
    {
        static const char *const names[] = {"Polygon", "Arc", "Rectangle", "Straight", "Fan", "Ratio"};
        return form->window.findChild<QPushButton *>(
            QString("Button%1Out%2").arg(names[shape]).arg(output + 1));
    }

private slots:
    void shapeButtonsStartCheckableEnabledAndOnPolygon_data()
    {
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("shape");
        QTest::addColumn<bool>("offered");
        for (int k = 0; k < 3; ++k)
            for (int s = 0; s < 6; ++s)
                QTest::addRow("out %d shape %d", k + 1, s)
                    << k << s << (s <= Rectangle || (k > 0 && s != Ratio));
    }
    void shapeButtonsStartCheckableEnabledAndOnPolygon()
    {
        QFETCH(int, output);
        QFETCH(int, shape);
        QFETCH(bool, offered);
        QPushButton *b = button(output, shape);
        QVERIFY(b);
        QCOMPARE(b->isEnabled(), offered);
        QCOMPARE(b->isCheckable(), shape <= Rectangle || output > 0);
        QCOMPARE(b->isChecked(), shape == Polygon);
    }

    void caseChannelRanges()
    {
        QCOMPARE(form->ui.SteerMinDgree->minimum(), -180);
        QCOMPARE(form->ui.SteerMaxDgree->maximum(), 180);
        QCOMPARE(form->ui.VehicleMinSpeed->minimum(), -300);
        QCOMPARE(form->ui.VehicleMaxSpeed->maximum(), 300);
    }

    void shapeClickPutsCreationPoints_data()
    {
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("shape");
        QTest::addColumn<QVector<QPoint>>("created");
        const QVector<QPoint> twoEnds = points({{20, 0}, {20, 0}});
        const QVector<QPoint> corners = QVector<QPoint>(4, QPoint(20, 0));
        QTest::newRow("arc out 1") << 0 << int(Arc) << twoEnds;
        QTest::newRow("rectangle out 1") << 0 << int(Rectangle) << corners;
        QTest::newRow("arc out 2") << 1 << int(Arc) << twoEnds;
        QTest::newRow("straight out 2") << 1 << int(Straight) << points({{0, 20}});
        QTest::newRow("fan out 3") << 2 << int(Fan) << points({{0, 20}});
        QTest::newRow("rectangle out 3") << 2 << int(Rectangle) << corners;
    }
    void shapeClickPutsCreationPoints()
    {
        QFETCH(int, output);
        QFETCH(int, shape);
        QFETCH(QVector<QPoint>, created);
        area().coord(output) = points({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
        form->coordTable->CoordTableWidgeUpdate();
        QSignalSpy shapes(form->editControl.get(), &EDIT_CONTROL::EditControlShapeChangeSignal);
        QTest::mouseClick(button(output, shape), Qt::LeftButton);
        QCOMPARE(area().coord(output), created);
        QCOMPARE(area().shape(output), shape);
        QCOMPARE(shapes.count(), 1);
        for (int s = 0; s < 6; ++s)
            QCOMPARE(button(output, s)->isChecked(), s == shape);
        // The shape change was snapshotted and the tables show the new points without append row.
        QCOMPARE(ProjectData().UndoHistory[0].size(), 2);
        QCOMPARE(ProjectData().UndoHistory[0].last(), area());
        QCOMPARE(form->cartesian(output)->rowCount(), created.size());

        // A second click on the same shape changes nothing and stays checked.
        area().coord(output)[0] = QPoint(700, 0);
        QTest::mouseClick(button(output, shape), Qt::LeftButton);
        QCOMPARE(shapes.count(), 1);
        QCOMPARE(area().coord(output)[0], QPoint(700, 0));
        QVERIFY(button(output, shape)->isChecked());
        QCOMPARE(ProjectData().UndoHistory[0].size(), 2);
    }

    void polygonClickKeepsThePoints()
    {
        QTest::mouseClick(form->ui.ButtonArcOut1, Qt::LeftButton);
        area().Out1Coord = points({{3000, 0}, {0, 3000}});
        QSignalSpy shapes(form->editControl.get(), &EDIT_CONTROL::EditControlShapeChangeSignal);
        QTest::mouseClick(form->ui.ButtonPolygonOut1, Qt::LeftButton);
        QCOMPARE(shapes.count(), 1);
        QCOMPARE(area().Out1Shape, int(Polygon));
        QCOMPARE(area().Out1Coord, points({{3000, 0}, {0, 3000}}));
        QCOMPARE(form->cartesian(0)->rowCount(), 3); // now with the append row
    }

    void userSelectionStoresTheIndex_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("stored");
        QTest::newRow("on delay 120ms") << "Area_OpenDelay"
                                        << "120ms" << 6;
        QTest::newRow("off delay 500ms") << "Area_CloseDelay"
                                         << "500ms" << 25;
        QTest::newRow("hysteresis 5%") << "Area_Hysteresis"
                                       << "5%" << 5;
        QTest::newRow("detection 2.0°") << "Area_DetectionSize"
                                        << "2.0°" << 3;
        QTest::newRow("operation mode 4") << "VehicleOptionMode"
                                          << "操作模式4" << 4;
    }
    void userSelectionStoresTheIndex()
    {
        QFETCH(QString, list);
        QFETCH(QString, entry);
        QFETCH(int, stored);
        auto *box = form->window.findChild<QComboBox *>(list);
        QVERIFY(box);
        QSignalSpy para(form->editControl.get(), &EDIT_CONTROL::EditControlParaChangeSignal);
        // Open the list, move to the entry and press Enter.
        box->showPopup();
        QAbstractItemView *view = box->view();
        const QModelIndex index = view->model()->index(box->findText(entry), 0);
        QVERIFY(index.isValid());
        view->setCurrentIndex(index);
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(box->currentText(), entry);
        QCOMPARE(para.count(), 1);
        const AREA_DATA &a = area();
        const int values[] = {a.OpenDelay, a.CloseDelay, a.Hysteresis, a.DetectionSize, a.VehicleOptionMode};
        const QStringList names = {"Area_OpenDelay", "Area_CloseDelay", "Area_Hysteresis",
                                   "Area_DetectionSize", "VehicleOptionMode"};
        QCOMPARE(values[names.indexOf(list)], stored);
        QCOMPARE(ProjectData().UndoHistory[0].last(), a);
    }

    void sameSelectionStillCountsAsAnEdit()
    {
        QSignalSpy para(form->editControl.get(), &EDIT_CONTROL::EditControlParaChangeSignal);
        emit form->ui.Area_DetectionSize->activated(1); // the entry already shown
        QCOMPARE(para.count(), 1);
        QCOMPARE(area().DetectionSize, 1);
        QCOMPARE(ProjectData().UndoHistory[0].size(), 2);
    }

    void caseChannelStoresWhatIsTyped()
    {
        QSignalSpy para(form->editControl.get(), &EDIT_CONTROL::EditControlParaChangeSignal);
        struct Entry {
            QSpinBox *box;
            const char *text;
        } entries[] = {{form->ui.SteerMinDgree, "90"},
                       {form->ui.SteerMaxDgree, "-90"},
                       {form->ui.VehicleMinSpeed, "250"},
                       {form->ui.VehicleMaxSpeed, "-400"}};
        for (const Entry &e : entries) {
            e.box->setFocus();
            e.box->selectAll();
            QTest::keyClicks(e.box, e.text);
            QTest::keyClick(e.box, Qt::Key_Return);
        }
        QCOMPARE(area().SteerMinDgree, 90);
        QCOMPARE(area().SteerMaxDgree, -90); // a minimum above the maximum is kept as entered
        QCOMPARE(area().VehicleMinSpeed, 250);
        QCOMPARE(area().VehicleMaxSpeed, -40); // the box takes no fourth digit below -300
        QVERIFY(para.count() >= 4);
    }

    void refillFromTheAreaAnnouncesNothing()
    {
        AREA_DATA &a = area();
        a.OpenDelay = 25;
        a.CloseDelay = 3;
        a.Hysteresis = 10;
        a.DetectionSize = 9;
        a.SteerMinDgree = -170;
        a.SteerMaxDgree = 30;
        a.VehicleMinSpeed = -5;
        a.VehicleMaxSpeed = 280;
        a.VehicleOptionMode = 2;
        a.Out1Shape = Rectangle;
        a.Out1Coord = QVector<QPoint>(4, QPoint(20, 0));
        a.Out2Shape = Ratio;
        a.Out2Coord = points({{0, 50}});
        a.Out3Shape = 9; // not a shape: the buttons stay as they are
        const AREA_DATA before = a;
        QSignalSpy para(form->editControl.get(), &EDIT_CONTROL::EditControlParaChangeSignal);
        QSignalSpy shapes(form->editControl.get(), &EDIT_CONTROL::EditControlShapeChangeSignal);
        form->editControl->EditControlUpdateEditData();
        QCOMPARE(para.count() + shapes.count(), 0);
        QCOMPARE(area(), before);
        QCOMPARE(ProjectData().UndoHistory[0].size(), 1);
        QCOMPARE(form->ui.Area_OpenDelay->currentText(), QString("500ms"));
        QCOMPARE(form->ui.Area_Hysteresis->currentText(), QString("10%"));
        QCOMPARE(form->ui.Area_DetectionSize->currentText(), QString("5.0°"));
        QCOMPARE(form->ui.SteerMinDgree->value(), -170);
        QCOMPARE(form->ui.VehicleMaxSpeed->value(), 280);
        QCOMPARE(form->ui.VehicleOptionMode->currentIndex(), 2);
        QVERIFY(form->ui.ButtonRectangleOut1->isChecked() && !form->ui.ButtonPolygonOut1->isChecked());
        QVERIFY(form->ui.ButtonRatioOut2->isChecked());
        QVERIFY(form->ui.ButtonPolygonOut3->isChecked());
    }

    void outputTabClickSetsTheEditedOutput()
    {
        QTabBar *bar = form->ui.AreaEditTab->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
        QCOMPARE(ProjectData().CurrentOutput, 2);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        QCOMPARE(ProjectData().CurrentOutput, 1);
        form->editControl->AreaEditTabChannel(-1); // a click beside the tabs
        form->editControl->AreaEditTabChannel(3);
        QCOMPARE(ProjectData().CurrentOutput, 1);
    }

    void constructionMakesTheCurrentAreaPolygons()
    {
        form.reset();
        ProjectData().Areas[0].Out1Shape = Arc;
        ProjectData().Areas[0].Out3Shape = Fan;
        form.reset(new AreaEditingForm(false));
        QCOMPARE(ProjectData().Areas[0].Out1Shape, int(Polygon));
        QCOMPARE(ProjectData().Areas[0].Out3Shape, int(Polygon));
    }
};

QTEST_MAIN(TestEditControl)
#include "moc_tst_area_table_harness.cpp"
#include "tst_edit_control.moc"
