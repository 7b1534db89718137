#pragma once

#include <QObject>

class PROJECT_DATA;
class QComboBox;
class QGroupBox;
class QPushButton;
class QSlider;
class QSpinBox;

// The IO Simulation dock's controls: keeps the simulated inputs, outputs, fault and case channel
// signals in the project store, from where every "WSimu" request of the simulation poll takes them.
// It never talks to the sensor itself.
class IO_SIMULATION : public QObject {
    Q_OBJECT

public:
    static constexpr int kInputCount = 6;
    static constexpr int kOutputCount = 3;

    IO_SIMULATION(PROJECT_DATA *store, QGroupBox *inportGroup, QGroupBox *outportGroup, QGroupBox *faultGroup,
                  QPushButton *inputButton1, QPushButton *inputButton2, QPushButton *inputButton3,
                  QPushButton *inputButton4, QPushButton *inputButton5, QPushButton *inputButton6,
                  QPushButton *outputButton1, QPushButton *outputButton2, QPushButton *outputButton3,
                  QPushButton *faultButton, QSpinBox *inputSpinBox, QSpinBox *outputSpinBox,
                  QGroupBox *caseGroup, QSpinBox *dgreeSpinBox, QSlider *dgreeSlider, QSpinBox *speedSpinBox,
                  QSlider *speedSlider, QComboBox *optionMode);

    int InputBits() const { return m_inputBits; }
    int OutputBits() const { return m_outputBits; }
    bool Fault() const { return m_fault; }

    // Icon resources of the lamps, by 1-based input or output number.
    static QString InputIcon(int n, bool on);
    static QString OutputIcon(int n, bool on);
    static QString FaultIcon(bool on);

public slots:
    void SimulationSignalSlots();
    void SimulationCaseSlots();
    void InputButton1Slots() { inputButtonClicked(0); }
    void InputButton2Slots() { inputButtonClicked(1); }
    void InputButton3Slots() { inputButtonClicked(2); }
    void InputButton4Slots() { inputButtonClicked(3); }
    void InputButton5Slots() { inputButtonClicked(4); }
    void InputButton6Slots() { inputButtonClicked(5); }
    void OutputButton1Slots() { outputButtonClicked(0); }
    void OutputButton2Slots() { outputButtonClicked(1); }
    void OutputButton3Slots() { outputButtonClicked(2); }
    void FaultButtonSlots();
    void InputSpinChange(int Num);
    void OutputSpinChange(int Num);
    void DgreeSpinBoxSlots(int Num);
    void DgreeSliderSlots(int Num);
    void SpeedSpinBoxSlots(int Num);
    void SpeedSliderSlots(int Num);
    void OptionModeSlots(int Num);

signals:
    // One of the four simulation flags of the store may have changed.
    void SimulationStateChanged();

private:
    void inputButtonClicked(int bit);
    void outputButtonClicked(int bit);
    void refreshInputs();
    void refreshOutputs();

    PROJECT_DATA *m_store;
    QSpinBox *m_inputSpinBox;
    QSpinBox *m_outputSpinBox;
    QGroupBox *m_inportGroup;
    QGroupBox *m_outportGroup;
    QGroupBox *m_faultGroup;
    QPushButton *m_inputButtons[kInputCount];
    QPushButton *m_outputButtons[kOutputCount];
    QPushButton *m_faultButton;
    QGroupBox *m_caseGroup;
    QSpinBox *m_dgreeSpinBox;
    QSlider *m_dgreeSlider;
    QSpinBox *m_speedSpinBox;
    QSlider *m_speedSlider;
    QComboBox *m_optionMode;
    bool m_fault = false;
    int m_outputBits = 0;
    int m_inputBits = 0;
};
