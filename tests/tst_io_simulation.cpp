// The IO Simulation dock driven through its widgets inside the main window: what the project store
// (and so every "WSimu" request) says after each click, keystroke and slider move, closing the dock,
// the dock's texts in both languages, and a round trip through the sensor stand-in.

#include "tst_transport_sim.h"

#include "app/mainwindow.h"
#include "area/store/project_data.h"
#include "comm/codec/frame_records.h"
#include "comm/codec/requests.h"
#include "comm/ethnertsetting.h"
#include "comm/serial_comm.h"
#include "monitor/io_simulation.h"
#include "ui_ethnertsetting.h"
#include "ui_mainwindow.h"

#include <QGroupBox>
#include <QSettings>
#include <QStyleOptionGroupBox>
#include <QtTest>

#include <memory>

namespace {

const QString kAddress = QStringLiteral("127.0.0.61");
const QString kReadOk = QStringLiteral("Parameters Read OK!");
constexpr int kStandInArea = 9; // what the stand-in reports as its inputs while none are simulated

// The simulation state of the store, as one comparable value.
struct SimState {
    bool input, output, fault, caseSim;
    int inputBits, outputBits, simFault;
    bool operator==(const SimState &o) const
    {
        return input == o.input && output == o.output && fault == o.fault && caseSim == o.caseSim &&
               inputBits == o.inputBits && outputBits == o.outputBits && simFault == o.simFault;
    }
};

SimState storeState()
{
    const PROJECT_DATA &p = ProjectData();
    return {p.InputSimulation, p.OutputSimulation, p.FaultSimulation, p.CaseSimulation,
            p.SimInputBits,    p.SimOutputBits,    int(p.SimFault)};
}

char *toString(const SimState &s)
{
    return qstrdup(qPrintable(
        QString::asprintf("in=%d out=%d fault=%d case=%d inBits=%d outBits=%d simFault=%d", s.input, s.output,
                          s.fault, s.caseSim, s.inputBits, s.outputBits, s.simFault)));
}

bool showsIcon(const QAbstractButton *button, const QString &resource)
{
    const QSize size = button->iconSize();
    return button->icon().pixmap(size).toImage() == QIcon(resource).pixmap(size).toImage();
}

// Clicks the check box in a checkable group box's title, as the operator does.
void clickGroupCheck(QGroupBox *box)
{
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.lineWidth = 1;
    option.textAlignment = box->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxCheckBox | QStyle::SC_GroupBoxLabel;
    option.state |= box->isChecked() ? QStyle::State_On : QStyle::State_Off;
    const QRect check =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxCheckBox, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, check.center());
}

void typeInto(QSpinBox *spin, const QString &text)
{
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, text);
    QTest::keyClick(spin, Qt::Key_Return);
}

} // namespace

class TestIoSimulation : public QObject {
    Q_OBJECT

    PromptRecorder recorder;
    StandIn sim;
    std::unique_ptr<MainWindow> window;

    Ui::MainWindow *ui() const { return window->form(); }

    QPushButton *inputButton(int n) const
    {
        QPushButton *b[] = {ui()->InputButton1, ui()->InputButton2, ui()->InputButton3,
                            ui()->InputButton4, ui()->InputButton5, ui()->InputButton6};
        return b[n - 1];
    }
    QPushButton *outputButton(int n) const
    {
        QPushButton *b[] = {ui()->OutputButton1, ui()->OutputButton2, ui()->OutputButton3};
        return b[n - 1];
    }
    QGroupBox *group(const QString &name) const { return window->findChild<QGroupBox *>(name); }

    // The dock as a connection leaves it for the operator: action enabled, then opened.
    void openDock()
    {
        ui()->IOSimulation->setEnabled(true);
        if (!ui()->IOSimulation->isChecked())
            ui()->IOSimulation->trigger();
        QVERIFY(ui()->IOSimulationDock->isVisible());
    }

    void verifyInputLamps(int bits)
    {
        for (int n = 1; n <= 6; ++n) {
            const bool on = bits & (1 << (n - 1));
            QCOMPARE(inputButton(n)->isChecked(), on);
            const QString icon = QStringLiteral(":/images/%1%2.png").arg(on ? "Green" : "Gray").arg(n);
            QVERIFY2(showsIcon(inputButton(n), icon), qPrintable(icon));
        }
        QCOMPARE(ui()->InputspinBox->value(), bits);
    }

    void verifyOutputLamps(int bits)
    {
        const char *lit[] = {":/images/Yellow1.png", ":/images/Orange2.png", ":/images/Red3.png"};
        for (int n = 1; n <= 3; ++n) {
            const bool on = bits & (1 << (n - 1));
            QCOMPARE(outputButton(n)->isChecked(), on);
            const QString icon =
                on ? QString::fromLatin1(lit[n - 1]) : QStringLiteral(":/images/Gray%1.png").arg(n);
            QVERIFY2(showsIcon(outputButton(n), icon), qPrintable(icon));
        }
        QCOMPARE(ui()->OutputspinBox->value(), bits);
    }

    void connectEthernet()
    {
        window->ConnectChangeEthernetModeSlot();
        window->ethernetSettingsDialog()->form()->Eth_ComboBox->setEditText(kAddress);
        ui()->Connection->trigger();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings("Trevalor", "Parameters").clear();
    }

    void init()
    {
        ProjectData().resetToStartup();
        recorder = PromptRecorder();
        recorder.install();
        ScanData().EtherMode = 0;
        window = std::make_unique<MainWindow>();
        window->show();
    }

    void cleanup()
    {
        if (window && ui()->DisConnection->isEnabled())
            window->CloseSerialPort();
        sim.stop();
        window.reset();
        PromptRecorder::uninstall();
    }

    void lampButtonsAndSpinBoxAgree_data()
    {
        QTest::addColumn<bool>("outputs"); // the output group, else the input group
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("typed"); // typed into the group's spin box after the clicks
        QTest::addColumn<int>("bits");
        QTest::newRow("inputs 1 and 3") << false << QList<int>{1, 3} << QString() << 5;
        QTest::newRow("all six inputs") << false << QList<int>{1, 2, 3, 4, 5, 6} << QString() << 63;
        QTest::newRow("input 2 on and off") << false << QList<int>{2, 4, 2} << QString() << 8;
        QTest::newRow("inputs typed 63") << false << QList<int>{} << QStringLiteral("63") << 63;
        QTest::newRow("inputs typed 0 clears") << false << QList<int>{1, 6} << QStringLiteral("0") << 0;
        QTest::newRow("inputs typed 18") << false << QList<int>{} << QStringLiteral("18") << 18;
        QTest::newRow("inputs typed 64 refused") << false << QList<int>{} << QStringLiteral("64") << 6;
        QTest::newRow("outputs typed 7") << true << QList<int>{} << QStringLiteral("7") << 7;
        QTest::newRow("Out 2 only") << true << QList<int>{2} << QString() << 2;
        QTest::newRow("Out 1 and Out 3") << true << QList<int>{1, 3} << QString() << 5;
        QTest::newRow("outputs typed 0 after clicks")
            << true << QList<int>{1, 2, 3} << QStringLiteral("0") << 0;
    }
    void lampButtonsAndSpinBoxAgree()
    {
        QFETCH(bool, outputs);
        QFETCH(QList<int>, clicks);
        QFETCH(QString, typed);
        QFETCH(int, bits);
        openDock();
        clickGroupCheck(outputs ? ui()->OutportGrouptBox : ui()->InportGrouptBox);
        for (int n : clicks)
            QTest::mouseClick(outputs ? outputButton(n) : inputButton(n), Qt::LeftButton);
        if (!typed.isEmpty())
            typeInto(outputs ? ui()->OutputspinBox : ui()->InputspinBox, typed);

        outputs ? verifyOutputLamps(bits) : verifyInputLamps(bits);
        const SimState expected = outputs ? SimState{false, true, false, false, 0, bits, 0}
                                          : SimState{true, false, false, false, bits, 0, 0};
        QCOMPARE(storeState(), expected);
        const SimulationRequest wire = simulationRequestFrom(ProjectData());
        QCOMPARE(wire.Mode, outputs ? 0 : 1);
        QCOMPARE(wire.OutputSimulation, outputs);
        QCOMPARE(outputs ? wire.OutputBits : wire.InputBits, bits);

        // A button clicked after a typed value changes just its own bit.
        QTest::mouseClick(outputs ? ui()->OutputButton1 : ui()->InputButton1, Qt::LeftButton);
        outputs ? verifyOutputLamps(bits ^ 1) : verifyInputLamps(bits ^ 1);
        QCOMPARE(outputs ? ProjectData().SimOutputBits : ProjectData().SimInputBits, bits ^ 1);
    }

    void faultIsSentOnlyWhileFaultGroupIsChecked()
    {
        openDock();
        clickGroupCheck(ui()->FaultGroupBox);
        QCOMPARE(storeState(), SimState({false, false, true, false, 0, 0, 0}));
        QTest::mouseClick(ui()->FaultSimuButton, Qt::LeftButton);
        // Red, not green: a simulated fault is an alarm.
        QVERIFY(showsIcon(ui()->FaultSimuButton, QStringLiteral(":/images/RedFault.png")));
        QCOMPARE(storeState(), SimState({false, false, true, false, 0, 0, 1}));

        clickGroupCheck(ui()->FaultGroupBox);
        QVERIFY(ui()->FaultSimuButton->isChecked());
        QCOMPARE(storeState(), SimState({false, false, false, false, 0, 0, 0}));
        QCOMPARE(simulationRequestFrom(ProjectData()).Fault, 0);

        clickGroupCheck(ui()->FaultGroupBox);
        QCOMPARE(ProjectData().SimFault, quint8(1));
        QTest::mouseClick(ui()->FaultSimuButton, Qt::LeftButton);
        QVERIFY(showsIcon(ui()->FaultSimuButton, QStringLiteral(":/images/GrayFault.png")));
        QCOMPARE(storeState(), SimState({false, false, true, false, 0, 0, 0}));
    }

    void inputAndCaseSimulationNeverBothOn_data()
    {
        QTest::addColumn<QStringList>("groupClicks");
        QTest::addColumn<bool>("inputOn");
        QTest::addColumn<bool>("caseOn");
        QTest::addColumn<int>("wireMode");
        const QString in = QStringLiteral("InportGrouptBox");
        const QString cs = QStringLiteral("CaseSimulationBox");
        QTest::newRow("inputs only") << QStringList{in} << true << false << 1;
        QTest::newRow("case only") << QStringList{cs} << false << true << 2;
        QTest::newRow("case takes over from inputs") << QStringList{in, cs} << false << true << 2;
        QTest::newRow("inputs take over from case") << QStringList{cs, in} << true << false << 1;
        QTest::newRow("back and forth") << QStringList{in, cs, in, cs} << false << true << 2;
        QTest::newRow("case switched off again") << QStringList{in, cs, cs} << false << false << 0;
        QTest::newRow("inputs switched off again") << QStringList{cs, in, in} << false << false << 0;
    }
    void inputAndCaseSimulationNeverBothOn()
    {
        QFETCH(QStringList, groupClicks);
        QFETCH(bool, inputOn);
        QFETCH(bool, caseOn);
        QFETCH(int, wireMode);
        openDock();
        QTest::mouseClick(ui()->InputButton1, Qt::LeftButton); // locked while the group is off
        QCOMPARE(window->ioSimulation()->InputBits(), 0);
        for (const QString &name : groupClicks) {
            clickGroupCheck(group(name));
            if (name == QLatin1String("InportGrouptBox") && ui()->InportGrouptBox->isChecked())
                QTest::mouseClick(ui()->InputButton3, Qt::LeftButton);
            QVERIFY(!(ProjectData().InputSimulation && ProjectData().CaseSimulation));
            QVERIFY(!(ui()->InportGrouptBox->isChecked() && ui()->CaseSimulationBox->isChecked()));
        }
        QCOMPARE(ui()->InportGrouptBox->isChecked(), inputOn);
        QCOMPARE(ui()->CaseSimulationBox->isChecked(), caseOn);
        QCOMPARE(ProjectData().InputSimulation, inputOn);
        QCOMPARE(ProjectData().CaseSimulation, caseOn);
        QCOMPARE(simulationRequestFrom(ProjectData()).Mode, wireMode);
    }

    void caseValuesMirrorBetweenSpinBoxAndSlider_data()
    {
        QTest::addColumn<QString>("spinName");
        QTest::addColumn<QString>("sliderName");
        QTest::addColumn<bool>("useSlider");
        QTest::addColumn<int>("key"); // slider key, or 0 to type the text into the spin box
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value");
        const QString ds = QStringLiteral("SimDgreeSpinBox"), dl = QStringLiteral("SimDgreeSlider");
        const QString ss = QStringLiteral("SimSpeedSpinBox"), sl = QStringLiteral("SimSpeedSlider");
        QTest::newRow("angle slider to -180") << ds << dl << true << int(Qt::Key_Home) << QString() << -180;
        QTest::newRow("angle slider to 180") << ds << dl << true << int(Qt::Key_End) << QString() << 180;
        QTest::newRow("angle slider one step") << ds << dl << true << int(Qt::Key_Right) << QString() << 1;
        QTest::newRow("angle typed -45") << ds << dl << false << 0 << QStringLiteral("-45") << -45;
        QTest::newRow("speed slider to -300") << ss << sl << true << int(Qt::Key_Home) << QString() << -300;
        QTest::newRow("speed typed 250") << ss << sl << false << 0 << QStringLiteral("250") << 250;
        QTest::newRow("speed typed beyond range stops at 300")
            << ss << sl << false << 0 << QStringLiteral("3000") << 300;
    }
    void caseValuesMirrorBetweenSpinBoxAndSlider()
    {
        QFETCH(QString, spinName);
        QFETCH(QString, sliderName);
        QFETCH(bool, useSlider);
        QFETCH(int, key);
        QFETCH(QString, typed);
        QFETCH(int, value);
        openDock();
        clickGroupCheck(ui()->CaseSimulationBox);
        auto *spin = window->findChild<QSpinBox *>(spinName);
        auto *slider = window->findChild<QSlider *>(sliderName);
        QSignalSpy spinChanges(spin, qOverload<int>(&QSpinBox::valueChanged));
        QSignalSpy sliderChanges(slider, &QSlider::valueChanged);
        if (useSlider) {
            slider->setFocus();
            QTest::keyClick(slider, Qt::Key(key));
        } else {
            typeInto(spin, typed);
        }
        QCOMPARE(spin->value(), value);
        QCOMPARE(slider->value(), value);
        // Each new value crosses over once and settles (Return re-announces the typed value once).
        QVERIFY(sliderChanges.count() >= 1 && sliderChanges.count() <= qMax(1, typed.size()));
        QVERIFY(spinChanges.count() >= 1 && spinChanges.count() <= qMax(1, typed.size() + 1));
        QCOMPARE(sliderChanges.last().at(0).toInt(), value);
        const int stored =
            spinName.startsWith(QLatin1String("SimDgree")) ? ProjectData().SimDgree : ProjectData().SimSpeed;
        QCOMPARE(stored, value);
        QCOMPARE(simulationRequestFrom(ProjectData()).Mode, 2);

        // Switched off, the case channel values stay stored and still travel, unused by the sensor.
        clickGroupCheck(ui()->CaseSimulationBox);
        const SimulationRequest wire = simulationRequestFrom(ProjectData());
        QCOMPARE(wire.Mode, 0);
        QCOMPARE(spinName.startsWith(QLatin1String("SimDgree")) ? wire.Dgree : wire.Speed, value);
    }

    void closingTheDockSwitchesEverySimulationOffAndKeepsTheValues_data()
    {
        QTest::addColumn<bool>("caseInsteadOfInputs");
        QTest::newRow("inputs, outputs, fault") << false;
        QTest::newRow("case channel, outputs, fault") << true;
    }
    void closingTheDockSwitchesEverySimulationOffAndKeepsTheValues()
    {
        QFETCH(bool, caseInsteadOfInputs);
        openDock();
        clickGroupCheck(ui()->InportGrouptBox);
        typeInto(ui()->InputspinBox, QStringLiteral("21"));
        if (caseInsteadOfInputs) {
            clickGroupCheck(ui()->CaseSimulationBox);
            typeInto(ui()->SimSpeedSpinBox, QStringLiteral("-7"));
        }
        clickGroupCheck(ui()->OutportGrouptBox);
        QTest::mouseClick(ui()->OutputButton3, Qt::LeftButton);
        clickGroupCheck(ui()->FaultGroupBox);
        QTest::mouseClick(ui()->FaultSimuButton, Qt::LeftButton);
        QCOMPARE(storeState(), SimState({!caseInsteadOfInputs, true, true, caseInsteadOfInputs, 21, 4, 1}));

        ui()->IOSimulation->trigger(); // the operator closes the dock through its action
        QVERIFY(!ui()->IOSimulationDock->isVisible());
        for (const char *name : {"InportGrouptBox", "OutportGrouptBox", "FaultGroupBox", "CaseSimulationBox"})
            QVERIFY2(!group(name)->isChecked(), name);
        QCOMPARE(storeState(), SimState({false, false, false, false, 21, 4, 0}));
        SimulationRequest off;
        off.InputBits = 21;
        off.OutputBits = 4;
        off.Speed = caseInsteadOfInputs ? -7 : 0;
        QCOMPARE(simulationRequestFrom(ProjectData()), off);

        // Reopened, the lamps and values are still there and apply again once their group is checked.
        ui()->IOSimulation->trigger();
        verifyInputLamps(21);
        verifyOutputLamps(4);
        QVERIFY(ui()->FaultSimuButton->isChecked());
        clickGroupCheck(ui()->FaultGroupBox);
        clickGroupCheck(ui()->OutportGrouptBox);
        QCOMPARE(storeState(), SimState({false, true, true, false, 21, 4, 1}));
        QCOMPARE(ProjectData().SimSpeed, caseInsteadOfInputs ? -7 : 0);
    }

    void dockTextsFollowTheLanguageAndKeepTheSelection()
    {
        openDock();
        clickGroupCheck(ui()->CaseSimulationBox);
        ui()->SimOptionMode->setFocus();
        QTest::keyClick(ui()->SimOptionMode, Qt::Key_End);
        QCOMPARE(ui()->SimOptionMode->currentIndex(), 4);

        struct Expect {
            QWidget *widget;
            const char *english;
            const char *chinese;
        };
        const Expect texts[] = {
            {ui()->InportGrouptBox, "Input Simulation", "输入端口仿真"},
            {ui()->OutportGrouptBox, "Output Simulation", "输出端口仿真"},
            {ui()->FaultGroupBox, "Fault Simulation", "异常状态仿真"},
            {ui()->CaseSimulationBox, "Case Channel Simulation", "工况通道仿真"},
            {ui()->label_SimDgree, "Steering", "驱动转角"},
            {ui()->label_SimSpeed, "Speed", "车辆速度"},
            {ui()->label_SimOptionMode, "Operation", "车辆操作模式"},
            {ui()->IOSimulationDock, "IO Simulation", "IO端口仿真"},
        };
        auto textOf = [](QWidget *w) {
            if (auto *box = qobject_cast<QGroupBox *>(w))
                return box->title();
            if (auto *label = qobject_cast<QLabel *>(w))
                return label->text();
            return w->windowTitle();
        };
        for (bool english : {true, false}) {
            english ? window->LanguageToEnglish() : window->LanguageToChinese();
            for (const Expect &t : texts)
                QCOMPARE(textOf(t.widget), QString::fromUtf8(english ? t.english : t.chinese));
            QCOMPARE(ui()->SimOptionMode->count(), 5);
            for (int i = 0; i < 5; ++i)
                QCOMPARE(ui()->SimOptionMode->itemText(i),
                         english ? QStringLiteral("Type %1").arg(i) : QStringLiteral("操作模式%1").arg(i));
            QCOMPARE(ui()->SimOptionMode->currentIndex(), 4);
            QCOMPARE(ProjectData().SimOptionMode, 4);
            QVERIFY(ui()->CaseSimulationBox->isChecked());
        }
    }

    // Simulated values go out with the 200 ms poll and come back in the sensor's report; closing the
    // dock ends them; a disconnect keeps them for the next connection even with the dock hidden.
    void simulatedSignalsComeBackFromTheSensor()
    {
        QVERIFY2(sim.start({"--address", kAddress, "--area", QString::number(kStandInArea)}),
                 qPrintable(sim.error));
        QCOMPARE(sim.ready, QStringLiteral("ready tcp=%1:8080 udp=%1:8080").arg(kAddress));
        window->LanguageToEnglish();
        SERIAL_COMM *comm = window->serialComm();
        QSignalSpy reports(comm, &SERIAL_COMM::IOPortSignals);
        QList<SimulationRequest> sent;
        connect(comm, &SERIAL_COMM::FrameSent, this, [&sent](const QByteArray &frame) {
            QByteArray rx = frame;
            ParsedRequest request;
            if (extractRequest(rx, request) == RequestExtract::Taken && request.code == FrameCode::WSimu)
                sent << request.simulation;
        });
        // The last report's (inputs, outputs, status) once at least one more arrived.
        auto nextReport = [&reports]() -> QList<uint> {
            const int before = reports.count();
            if (!QTest::qWaitFor([&] { return reports.count() > before; }, 5000))
                return {};
            const QList<QVariant> r = reports.last();
            return {r[0].toUInt(), r[1].toUInt(), r[2].toUInt()};
        };

        connectEthernet();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 1, 20000);
        QVERIFY(comm->Engine()->SimulationPollActive());
        QCOMPARE(nextReport().value(0), uint(kStandInArea));

        openDock();
        QVERIFY(comm->Engine()->SimulationPollActive()); // the dock does not drive the poll
        clickGroupCheck(ui()->InportGrouptBox);
        QTest::mouseClick(ui()->InputButton1, Qt::LeftButton);
        QTest::mouseClick(ui()->InputButton3, Qt::LeftButton);
        clickGroupCheck(ui()->OutportGrouptBox);
        typeInto(ui()->OutputspinBox, QStringLiteral("6"));
        clickGroupCheck(ui()->FaultGroupBox);
        QTest::mouseClick(ui()->FaultSimuButton, Qt::LeftButton);
        nextReport(); // may answer a request sent before the last click
        QCOMPARE(nextReport(), (QList<uint>{5, 6, 1}));
        QVERIFY(!sent.isEmpty());
        QCOMPARE(sent.last().Mode, 1);
        QCOMPARE(sent.last().InputBits, 5);

        ui()->IOSimulation->trigger();
        nextReport();
        const QList<uint> plain = nextReport();
        QCOMPARE(plain.value(0), uint(kStandInArea));
        QCOMPARE(plain.value(2), 0u);
        QCOMPARE(sent.last().Mode, 0);
        QVERIFY(!sent.last().OutputSimulation);
        QVERIFY(comm->Engine()->SimulationPollActive());

        // Simulation on again, then a disconnect and a new connection with the dock hidden: nothing
        // is simulated on the next sensor unless asked for again; the values wait in the controls.
        ui()->IOSimulation->trigger();
        clickGroupCheck(ui()->InportGrouptBox);
        QCOMPARE(ProjectData().SimInputBits, 5);
        window->CloseSerialPort();
        QVERIFY(!comm->Engine()->SimulationPollActive());
        QVERIFY(!ui()->IOSimulationDock->isVisible());
        QVERIFY(!ui()->InportGrouptBox->isChecked() && !ui()->OutportGrouptBox->isChecked());
        QVERIFY(!ui()->FaultGroupBox->isChecked() && !ui()->CaseSimulationBox->isChecked());
        QVERIFY(!ProjectData().InputSimulation && !ProjectData().OutputSimulation);
        QVERIFY(!ProjectData().FaultSimulation && !ProjectData().CaseSimulation);
        QCOMPARE(ui()->InputspinBox->value(), 5);
        QVERIFY(ui()->InputButton1->isChecked() && ui()->InputButton3->isChecked());
        sent.clear();
        connectEthernet();
        QTRY_VERIFY_WITH_TIMEOUT(comm->Engine()->SimulationPollActive(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(kReadOk), 2, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!sent.isEmpty(), 5000);
        QCOMPARE(sent.first().Mode, 0);
        QVERIFY(!sent.first().OutputSimulation);
        nextReport();
        QCOMPARE(nextReport().value(0), uint(kStandInArea));

        // Checked again, the kept value applies at once.
        ui()->IOSimulation->trigger();
        clickGroupCheck(ui()->InportGrouptBox);
        nextReport();
        QCOMPARE(nextReport().value(0), 5u);
    }
};

QTEST_MAIN(TestIoSimulation)
#include "tst_io_simulation.moc"
