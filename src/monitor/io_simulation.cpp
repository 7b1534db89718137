#include "monitor/io_simulation.h"

#include "area/store/project_data.h"

#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

namespace {

constexpr int kInputMask = (1 << IO_SIMULATION::kInputCount) - 1;
constexpr int kOutputMask = (1 << IO_SIMULATION::kOutputCount) - 1;
constexpr int kDgreeLimit = 180;
constexpr int kSpeedLimit = 300;

} // namespace

IO_SIMULATION::IO_SIMULATION(PROJECT_DATA *store, QGroupBox *inportGroup, QGroupBox *outportGroup,
                             QGroupBox *faultGroup, QPushButton *inputButton1, QPushButton *inputButton2,
                             QPushButton *inputButton3, QPushButton *inputButton4, QPushButton *inputButton5,
                             QPushButton *inputButton6, QPushButton *outputButton1,
                             QPushButton *outputButton2, QPushButton *outputButton3, QPushButton *faultButton,
                             QSpinBox *inputSpinBox, QSpinBox *outputSpinBox, QGroupBox *caseGroup,
                             QSpinBox *dgreeSpinBox, QSlider *dgreeSlider, QSpinBox *speedSpinBox,
                             QSlider *speedSlider, QComboBox *optionMode)
    : m_store(store), m_inputSpinBox(inputSpinBox), m_outputSpinBox(outputSpinBox),
      m_inportGroup(inportGroup), m_outportGroup(outportGroup),
      m_faultGroup(faultGroup), m_inputButtons{inputButton1, inputButton2, inputButton3,
                                               inputButton4, inputButton5, inputButton6},
      m_outputButtons{outputButton1, outputButton2, outputButton3}, m_faultButton(faultButton),
      m_caseGroup(caseGroup), m_dgreeSpinBox(dgreeSpinBox), m_dgreeSlider(dgreeSlider),
      m_speedSpinBox(speedSpinBox), m_speedSlider(speedSlider), m_optionMode(optionMode)
{
    // The bit spin boxes cover exactly the lamps, so a typed value never carries bits no button shows.
    m_inputSpinBox->setRange(0, kInputMask);
    m_outputSpinBox->setRange(0, kOutputMask);
    m_dgreeSpinBox->setRange(-kDgreeLimit, kDgreeLimit);
    m_dgreeSlider->setRange(-kDgreeLimit, kDgreeLimit);
    m_speedSpinBox->setRange(-kSpeedLimit, kSpeedLimit);
    m_speedSlider->setRange(-kSpeedLimit, kSpeedLimit);

    for (QGroupBox *group : {m_inportGroup, m_outportGroup, m_faultGroup})
        connect(group, &QGroupBox::clicked, this, &IO_SIMULATION::SimulationSignalSlots);
    connect(m_caseGroup, &QGroupBox::clicked, this, &IO_SIMULATION::SimulationCaseSlots);

    void (IO_SIMULATION::*const inputSlots[kInputCount])() = {
        &IO_SIMULATION::InputButton1Slots, &IO_SIMULATION::InputButton2Slots,
        &IO_SIMULATION::InputButton3Slots, &IO_SIMULATION::InputButton4Slots,
        &IO_SIMULATION::InputButton5Slots, &IO_SIMULATION::InputButton6Slots};
    for (int n = 0; n < kInputCount; ++n)
        connect(m_inputButtons[n], &QPushButton::clicked, this, inputSlots[n]);
    void (IO_SIMULATION::*const outputSlots[kOutputCount])() = {&IO_SIMULATION::OutputButton1Slots,
                                                                &IO_SIMULATION::OutputButton2Slots,
                                                                &IO_SIMULATION::OutputButton3Slots};
    for (int n = 0; n < kOutputCount; ++n)
        connect(m_outputButtons[n], &QPushButton::clicked, this, outputSlots[n]);
    connect(m_faultButton, &QPushButton::clicked, this, &IO_SIMULATION::FaultButtonSlots);

    connect(m_inputSpinBox, qOverload<int>(&QSpinBox::valueChanged), this, &IO_SIMULATION::InputSpinChange);
    connect(m_outputSpinBox, qOverload<int>(&QSpinBox::valueChanged), this, &IO_SIMULATION::OutputSpinChange);
    connect(m_dgreeSpinBox, qOverload<int>(&QSpinBox::valueChanged), this, &IO_SIMULATION::DgreeSpinBoxSlots);
    connect(m_dgreeSlider, &QSlider::valueChanged, this, &IO_SIMULATION::DgreeSliderSlots);
    connect(m_speedSpinBox, qOverload<int>(&QSpinBox::valueChanged), this, &IO_SIMULATION::SpeedSpinBoxSlots);
    connect(m_speedSlider, &QSlider::valueChanged, this, &IO_SIMULATION::SpeedSliderSlots);
    connect(m_optionMode, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &IO_SIMULATION::OptionModeSlots);
}

QString IO_SIMULATION::InputIcon(int n, bool on)
{
    return QStringLiteral(":/images/%1%2.png")
        .arg(on ? QStringLiteral("Green") : QStringLiteral("Gray"))
        .arg(n);
}

QString IO_SIMULATION::OutputIcon(int n, bool on)
{
    static const char *const lit[kOutputCount] = {"Yellow", "Orange", "Red"};
    const QString colour =
        on && n >= 1 && n <= kOutputCount ? QString::fromLatin1(lit[n - 1]) : QStringLiteral("Gray");
    return QStringLiteral(":/images/%1%2.png").arg(colour).arg(n);
}

QString IO_SIMULATION::FaultIcon(bool on)
{
    // A simulated fault is an alarm: red, like the fault badge it raises in the status bar.
    return on ? QStringLiteral(":/images/RedFault.png") : QStringLiteral(":/images/GrayFault.png");
}

void IO_SIMULATION::SimulationSignalSlots()
{
    if (m_inportGroup->isChecked()) {
        m_store->InputSimulation = true;
        m_store->SimInputBits = m_inputBits;
        // Simulated inputs and simulated case channel signals both choose the area: only one may rule.
        m_caseGroup->setChecked(false);
        m_store->CaseSimulation = false;
    } else {
        m_store->InputSimulation = false;
        m_store->SimInputBits = m_inputBits;
    }

    m_store->OutputSimulation = m_outportGroup->isChecked();
    m_store->SimOutputBits = m_outputBits;

    if (m_faultGroup->isChecked()) {
        m_store->FaultSimulation = true;
        m_store->SimFault = m_fault ? 1 : 0;
    } else {
        m_store->FaultSimulation = false;
        m_store->SimFault = 0;
    }
    emit SimulationStateChanged();
}

void IO_SIMULATION::SimulationCaseSlots()
{
    if (m_caseGroup->isChecked()) {
        m_store->CaseSimulation = true;
        m_inportGroup->setChecked(false);
        m_store->InputSimulation = false;
    } else {
        m_store->CaseSimulation = false;
    }
    emit SimulationStateChanged();
}

void IO_SIMULATION::inputButtonClicked(int bit)
{
    if (m_inputButtons[bit]->isChecked())
        m_inputBits |= 1 << bit;
    else
        m_inputBits &= ~(1 << bit);
    refreshInputs();
}

void IO_SIMULATION::outputButtonClicked(int bit)
{
    if (m_outputButtons[bit]->isChecked())
        m_outputBits |= 1 << bit;
    else
        m_outputBits &= ~(1 << bit);
    refreshOutputs();
}

void IO_SIMULATION::InputSpinChange(int Num)
{
    m_inputBits = Num & kInputMask;
    refreshInputs();
}

void IO_SIMULATION::OutputSpinChange(int Num)
{
    m_outputBits = Num & kOutputMask;
    refreshOutputs();
}

void IO_SIMULATION::refreshInputs()
{
    for (int n = 0; n < kInputCount; ++n) {
        const bool on = m_inputBits & (1 << n);
        m_inputButtons[n]->setIcon(QIcon(InputIcon(n + 1, on)));
        m_inputButtons[n]->setChecked(on);
    }
    // Showing the value must not come back as a new value.
    disconnect(m_inputSpinBox, qOverload<int>(&QSpinBox::valueChanged), this,
               &IO_SIMULATION::InputSpinChange);
    m_inputSpinBox->setValue(m_inputBits);
    connect(m_inputSpinBox, qOverload<int>(&QSpinBox::valueChanged), this, &IO_SIMULATION::InputSpinChange);
    SimulationSignalSlots();
}

void IO_SIMULATION::refreshOutputs()
{
    for (int n = 0; n < kOutputCount; ++n) {
        const bool on = m_outputBits & (1 << n);
        m_outputButtons[n]->setIcon(QIcon(OutputIcon(n + 1, on)));
        m_outputButtons[n]->setChecked(on);
    }
    disconnect(m_outputSpinBox, qOverload<int>(&QSpinBox::valueChanged), this,
               &IO_SIMULATION::OutputSpinChange);
    m_outputSpinBox->setValue(m_outputBits);
    connect(m_outputSpinBox, qOverload<int>(&QSpinBox::valueChanged), this, &IO_SIMULATION::OutputSpinChange);
    SimulationSignalSlots();
}

void IO_SIMULATION::FaultButtonSlots()
{
    m_fault = m_faultButton->isChecked();
    m_faultButton->setIcon(QIcon(FaultIcon(m_fault)));
    SimulationSignalSlots();
}

// Each value is mirrored into its partner; setting an equal value does not signal, so the pair settles
// after one exchange.
void IO_SIMULATION::DgreeSpinBoxSlots(int Num)
{
    m_store->SimDgree = Num;
    m_dgreeSlider->setValue(Num);
}

void IO_SIMULATION::DgreeSliderSlots(int Num)
{
    m_store->SimDgree = Num;
    m_dgreeSpinBox->setValue(Num);
}

void IO_SIMULATION::SpeedSpinBoxSlots(int Num)
{
    m_store->SimSpeed = Num;
    m_speedSlider->setValue(Num);
}

void IO_SIMULATION::SpeedSliderSlots(int Num)
{
    m_store->SimSpeed = Num;
    m_speedSpinBox->setValue(Num);
}

void IO_SIMULATION::OptionModeSlots(int Num)
{
    // An emptied combo box reports -1; that is no operation mode the sensor knows.
    if (Num >= 0)
        m_store->SimOptionMode = Num;
}
