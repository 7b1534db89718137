#include "comm/sensor_setting.h"

#include "area/file/project_file.h"
#include "area/file/sensor_settings.h"

#include "comm/codec/sensor_parameters.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTextStream>
#include <QWidget>

namespace {

const char *const kControlNames[SENSOR_SETTING::ControlCount] = {
    "Para_ControlMode",       "Para_RS232BaudRate",     "Para_RS232CommVerify",   "Para_RS232StopBit",
    "Para_RS485IDAddress",    "Para_RS485BaudRate",     "Para_RS485CommVerify",   "Para_RS485StopBit",
    "Para_CANIDAddress",      "Para_CANBaudRate",       "Para_SensorOutputLogic", "Para_ScanMotorSpeed",
    "Para_ScanSensorAngle",   "Para_ScanFilterLevel",   "Para_SensorInstallDir",  "Para_CrossFilterEnable",
    "Para_CrossFilterNumber", "Para_SensorEtherMode",   "Para_SensorIPAddress1",  "Para_SensorIPAddress2",
    "Para_SensorIPAddress3",  "Para_SensorIPAddress4",  "Para_LaserMeasureFrq",   "Para_LaserStopSignal",
    "Para_TrailiFilterLevel", "Para_DirtyReceDistance", "Para_DirtyReceStrength",
};

const char *const kScanGroupNames[5] = {"ScanGroupBox", "Set_SensorSleepMode", "Set_ScanMotorSpeed",
                                        "Set_ScanSensorAngle", "Set_ScanFilterLevel"};

struct SpinRange {
    int control, min, max;
};
const SpinRange kSpinRanges[] = {
    {SENSOR_SETTING::RS485IDAddress, 1, 127},     {SENSOR_SETTING::CANIDAddress, 1, 127},
    {SENSOR_SETTING::SensorIPAddress1, 10, 223},  {SENSOR_SETTING::SensorIPAddress2, 0, 255},
    {SENSOR_SETTING::SensorIPAddress3, 0, 255},   {SENSOR_SETTING::SensorIPAddress4, 0, 255},
    {SENSOR_SETTING::DirtyReceDistance, 0, 2000}, {SENSOR_SETTING::DirtyReceStrength, 0, 2000},
};

// Repairs the record applies before a value is shown.
constexpr int kMaxMotorSpeed = 1;
constexpr int kMaxFilterLevel = 3;
constexpr int kMaxInstallDir = 1;
constexpr int kMaxScanAngle = 4;
constexpr int kFinestScanAngle = 0; // 0.025°, only with the slower motor speed
constexpr int kMaxDirt = 2000;
constexpr int kDefaultDirtDistance = 200;
constexpr int kDefaultDirtStrength = 500;

} // namespace

SENSOR_SETTING::SENSOR_SETTING(SENSOR_PARAMETERS *parameters, QWidget *widgets, SCAN_DATA *scan,
                               QObject *parent)
    : QObject(parent), m_parameters(parameters), m_scan(scan)
{
    for (int c = 0; c < ControlCount && widgets; ++c)
        m_controls[c] = widgets->findChild<QWidget *>(QLatin1String(kControlNames[c]));
    for (int i = 0; i < 5 && widgets; ++i)
        m_scanGroup[i] = widgets->findChild<QWidget *>(QLatin1String(kScanGroupNames[i]));
    for (const SpinRange &r : kSpinRanges)
        if (QSpinBox *s = spin(r.control))
            s->setRange(r.min, r.max);

    m_parameters->resetToDefaults();
    showParameters(true);

    for (int c = 0; c < ControlCount; ++c) {
        if (QComboBox *b = combo(c))
            connect(b, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                    &SENSOR_SETTING::UpdateParametersFromDock);
        else if (QSpinBox *s = spin(c))
            connect(s, QOverload<int>::of(&QSpinBox::valueChanged), this,
                    &SENSOR_SETTING::UpdateParametersFromDock);
    }
}

const char *SENSOR_SETTING::controlName(int control)
{
    return control >= 0 && control < ControlCount ? kControlNames[control] : nullptr;
}

QComboBox *SENSOR_SETTING::combo(int c) const
{
    return qobject_cast<QComboBox *>(m_controls[c]);
}
QSpinBox *SENSOR_SETTING::spin(int c) const
{
    return qobject_cast<QSpinBox *>(m_controls[c]);
}

int SENSOR_SETTING::comboIndex(int c, int fallback) const
{
    // A combo showing no entry (a value it has no item for) leaves the record's value alone.
    QComboBox *b = combo(c);
    return b && b->currentIndex() >= 0 ? b->currentIndex() : fallback;
}

int SENSOR_SETTING::spinValue(int c, int fallback) const
{
    // A value beyond the spin box (an ID 0 a sensor held) shows clamped; until the user sets this spin
    // box the record keeps what the sensor held. A file's values are taken as the dock shows them.
    QSpinBox *s = spin(c);
    if (!s || (!m_loading && s->value() == qBound(s->minimum(), fallback, s->maximum())))
        return fallback;
    return s->value();
}

void SENSOR_SETTING::showIndex(int c, int index)
{
    if (QComboBox *b = combo(c))
        b->setCurrentIndex(index);
}

void SENSOR_SETTING::showValue(int c, int value)
{
    if (QSpinBox *s = spin(c))
        s->setValue(value);
}

void SENSOR_SETTING::enable(int c, bool on)
{
    if (m_controls[c])
        m_controls[c]->setEnabled(on);
}

// The cross-filter count matters only with the cross filter on (Ethernet), the dirt thresholds only
// with an echo other than the first.
void SENSOR_SETTING::enableDependents()
{
    if (ethernet())
        enable(CrossFilterNumber, comboIndex(CrossFilterEnable, 0) != 0);
    const bool dirt = comboIndex(LaserStopSignal, 0) != 0;
    enable(DirtyReceDistance, dirt);
    enable(DirtyReceStrength, dirt);
}

void SENSOR_SETTING::SetConnectTypeEnables(int connectType)
{
    const bool ether = connectType == 1;
    for (int c : {ControlMode, RS232BaudRate, RS232CommVerify, RS232StopBit, RS485IDAddress, RS485BaudRate,
                  RS485CommVerify, RS485StopBit})
        enable(c, !ether);
    enable(CANBaudRate, true);
    enable(CANIDAddress, true);
    for (int c : {SensorEtherMode, SensorIPAddress1, SensorIPAddress2, SensorIPAddress3, SensorIPAddress4,
                  ScanSensorAngle, ScanMotorSpeed, CrossFilterEnable})
        enable(c, ether);
    enable(CrossFilterNumber, ether && comboIndex(CrossFilterEnable, 0) != 0);
    for (QWidget *w : m_scanGroup)
        if (w)
            w->setEnabled(ether);
    enable(LaserMeasureFrq, false);
}

void SENSOR_SETTING::UpdateParametersToDock()
{
    SENSOR_PARAMETERS &p = *m_parameters;
    if (p.ScanMotorSpeed > kMaxMotorSpeed)
        p.ScanMotorSpeed = 0;
    if (p.ScanFilterLevel > kMaxFilterLevel)
        p.ScanFilterLevel = 0;
    if (p.SensorInstallDir > kMaxInstallDir)
        p.SensorInstallDir = 0;
    if (ethernet() && p.ScanSensorAngle > kMaxScanAngle)
        p.ScanSensorAngle = 1;
    if (p.DirtyReceDistance > kMaxDirt)
        p.DirtyReceDistance = kDefaultDirtDistance;
    if (p.DirtyReceStrength > kMaxDirt)
        p.DirtyReceStrength = kDefaultDirtStrength;
    // The Ethernet-only values are shown only on an Ethernet connection; on a serial line the record
    // keeps them as read and sends them back unchanged.
    showParameters(ethernet());
}

void SENSOR_SETTING::showParameters(bool ethernetValues)
{
    const SENSOR_PARAMETERS &p = *m_parameters;
    m_quiet = true;
    for (int c : {ControlMode, RS232BaudRate, RS232CommVerify, RS232StopBit, RS485BaudRate, RS485CommVerify,
                  RS485StopBit, CANBaudRate, SensorOutputLogic, ScanMotorSpeed, ScanSensorAngle,
                  ScanFilterLevel, SensorInstallDir, CrossFilterEnable, CrossFilterNumber})
        showIndex(c, p.value(c)); // for these the control and field numbers agree
    showValue(RS485IDAddress, p.RS485IDAddress);
    showValue(CANIDAddress, p.CANIDAddress);
    if (ethernetValues) {
        showIndex(SensorEtherMode, p.SensorEtherMode);
        showValue(SensorIPAddress1, (p.SensorIPAddressHigh >> 8) & 0xFF);
        showValue(SensorIPAddress2, p.SensorIPAddressHigh & 0xFF);
        showValue(SensorIPAddress3, (p.SensorIPAddressLow >> 8) & 0xFF);
        showValue(SensorIPAddress4, p.SensorIPAddressLow & 0xFF);
        showIndex(LaserMeasureFrq, p.LaserMeasureFrq);
        showIndex(LaserStopSignal, p.LaserStopSignal);
    }
    showIndex(TrailiFilterLevel, p.TrailiFilterLevel);
    showValue(DirtyReceDistance, p.DirtyReceDistance);
    showValue(DirtyReceStrength, p.DirtyReceStrength);
    enableDependents();
    m_quiet = false;
}

void SENSOR_SETTING::UpdateParametersFromDock()
{
    if (m_quiet)
        return;
    m_quiet = true; // forcing the motor speed below must not come back here
    SENSOR_PARAMETERS &p = *m_parameters;

    for (int c : {ControlMode, RS232BaudRate, RS232CommVerify, RS232StopBit, RS485BaudRate, RS485CommVerify,
                  RS485StopBit, CANBaudRate, SensorOutputLogic, ScanMotorSpeed, ScanFilterLevel,
                  SensorInstallDir, CrossFilterEnable, CrossFilterNumber})
        p.setValue(c, comboIndex(c, p.value(c)));
    p.RS485IDAddress = spinValue(RS485IDAddress, p.RS485IDAddress);
    p.CANIDAddress = spinValue(CANIDAddress, p.CANIDAddress);

    if (ethernet()) {
        p.ScanSensorAngle = comboIndex(ScanSensorAngle, p.ScanSensorAngle);
        if (p.ScanSensorAngle == kFinestScanAngle) {
            p.ScanMotorSpeed = 0;
            showIndex(ScanMotorSpeed, 0);
        }
        p.SensorEtherMode = comboIndex(SensorEtherMode, p.SensorEtherMode);
        p.SensorIPAddressHigh = spinValue(SensorIPAddress1, (p.SensorIPAddressHigh >> 8) & 0xFF) * 256 +
                                spinValue(SensorIPAddress2, p.SensorIPAddressHigh & 0xFF);
        p.SensorIPAddressLow = spinValue(SensorIPAddress3, (p.SensorIPAddressLow >> 8) & 0xFF) * 256 +
                               spinValue(SensorIPAddress4, p.SensorIPAddressLow & 0xFF);
        p.LaserMeasureFrq = comboIndex(LaserMeasureFrq, p.LaserMeasureFrq);
        p.LaserStopSignal = comboIndex(LaserStopSignal, p.LaserStopSignal);
    }

    p.TrailiFilterLevel = comboIndex(TrailiFilterLevel, p.TrailiFilterLevel);
    enableDependents();
    p.DirtyReceDistance = spinValue(DirtyReceDistance, p.DirtyReceDistance);
    p.DirtyReceStrength = spinValue(DirtyReceStrength, p.DirtyReceStrength);

    m_quiet = false;
    if (!m_loading)
        emit ParametersEditedInDock();
}

QVector<int> SENSOR_SETTING::ControlStates() const
{
    // What the dock cannot show (an entry its list lacks, a value beyond a spin box) is the record's.
    const QVector<int> record = SensorSettings::fromParameters(*m_parameters);
    QVector<int> states(ControlCount, 0);
    for (int c = 0; c < ControlCount; ++c) {
        if (QComboBox *b = combo(c))
            states[c] = b->currentIndex() >= 0 ? b->currentIndex() : record.value(c);
        else if (QSpinBox *s = spin(c))
            states[c] = s->value() == qBound(s->minimum(), record.value(c), s->maximum()) ? record.value(c)
                                                                                          : s->value();
    }
    return states;
}

void SENSOR_SETTING::SetControlStates(const QVector<int> &states)
{
    m_loading = true; // from a project file, not from the user
    for (int c = 0; c < ControlCount && c < states.size(); ++c) {
        const int v = states[c];
        if (QComboBox *b = combo(c)) {
            if (v >= 0 && v < b->count())
                b->setCurrentIndex(v);
        } else if (QSpinBox *s = spin(c)) {
            s->setValue(v);
        }
    }
    // A control already at its value sent no change; make sure the record follows the dock.
    UpdateParametersFromDock();
    m_loading = false;
}

void SENSOR_SETTING::WriteSettingSection(QTextStream &out) const
{
    ProjectFile::writeSensorSettings(out, ControlStates());
}

QVector<int> SENSOR_SETTING::ReadSettingSection(QTextStream &in)
{
    const QVector<int> states = ProjectFile::readSensorSettings(in);
    SetControlStates(states);
    return states;
}
