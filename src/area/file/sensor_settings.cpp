#include "area/file/sensor_settings.h"

#include "comm/codec/sensor_parameters.h"

#include <QStringList>

namespace SensorSettings {

namespace {

const char kBauds[] = "9600|19200|38400|57600|115200";
const char kVerify[] = "None|Odd|Even";
const char kVerifyCn[] = "无校验|奇校验|偶校验";
const char kStop[] = "1 stop bit|1.5 stop bits|2 stop bits";
const char kStopCn[] = "停止位1Bit|停止位1.5Bit|停止位2Bit";
const char kAngles[] =
    "0.025°/10,15Hz|0.050°/10,20,30Hz|0.100°/10,20,30Hz|0.250°/10,20,30Hz|0.500°/10,20,30Hz";

const Control kControls[kCount] = {
    {"Para_ControlMode", "label_ControlMode", "Control Mode", "传感器控制方式", 6, 0, 0,
     "IO Interface|RS232 Interface|RS485 Interface|CAN Interface|Modbus Interface|CANOpen Interface",
     "IO接口控制|RS232通讯控制|RS485通讯控制|CAN总线控制|Modbus协议控制|CANOpen协议控制"},
    {"Para_RS232BaudRate", "label_RS232BaudRate", "RS232 Baud Rate", "RS232通信波特率", 5, 0, 0, kBauds,
     kBauds},
    {"Para_RS232CommVerify", "label_RS232CommVerify", "RS232 Parity", "RS232通信校验位", 3, 0, 0, kVerify,
     kVerifyCn},
    {"Para_RS232StopBit", "label_RS232StopBit", "RS232 Stop Bits", "RS232通信停止位", 3, 0, 0, kStop,
     kStopCn},
    {"Para_RS485IDAddress", "label_RS485IDAddress", "RS485 ID(1-127)", "RS485地址(1-127)", 0, 1, 127, nullptr,
     nullptr},
    {"Para_RS485BaudRate", "label_RS485BaudRate", "RS485 Baud Rate", "RS485通信波特率", 5, 0, 0, kBauds,
     kBauds},
    {"Para_RS485CommVerify", "label_RS485CommVerify", "RS485 Parity", "RS485通信校验位", 3, 0, 0, kVerify,
     kVerifyCn},
    {"Para_RS485StopBit", "label_RS485StopBit", "RS485 Stop Bits", "RS485通信停止位", 3, 0, 0, kStop,
     kStopCn},
    {"Para_CANIDAddress", "label_CANIDAddress", "CAN ID(1-127)", "CAN总线地址(1-127)", 0, 1, 127, nullptr,
     nullptr},
    {"Para_CANBaudRate", "label_CANBaudRate", "CAN Baud Rate", "CAN总线波特率", 4, 0, 0,
     "125K|250K|500K|1000K", "125K|250K|500K|1000K"},
    {"Para_SensorOutputLogic", "label_SensorOutputLogic", "Output Logic", "传感器输出逻辑", 2, 0, 0,
     // Item 0 is the active-high output (on while an object is in the zone): normally open; item
     // 1 the active-low one: normally closed. Both languages say the same.
     "Normally open|Normally closed", "常开方式|常闭方式"},
    {"Para_ScanMotorSpeed", "label_ScanMotorSpeed", "Motor Speed", "扫描电机转速", 2, 0, 0,
     "10Hz,15Hz|20Hz,30Hz", "10Hz,15Hz|20Hz,30Hz"},
    {"Para_ScanSensorAngle", "label_ScanSensorAngle", "Angular Resolution", "激光角度分辨率", 5, 0, 0,
     kAngles, kAngles},
    {"Para_ScanFilterLevel", "label_ScanFilterLevel", "Scan Filter Level", "采样噪声过滤等级", 4, 0, 0,
     "Off|Easy|Medium|Strict", "关闭|简单|中等|严格"},
    {"Para_SensorInstallDir", "label_SensorInstallDir", "Install Direction", "传感器安装方向", 2, 0, 0,
     "Forward|Reverse", "正向安装|倒立安装"},
    {"Para_CrossFilterEnable", "label_CrossFilterEnable", "Crosstalk Filter", "串扰过滤模式", 3, 0, 0,
     "Off|Fit|Delete", "关闭|拟合|删除"},
    {"Para_CrossFilterNumber", "label_CrossFilterNumber", "Crosstalk Count", "串扰过滤数量", 6, 0, 0,
     "3|4|5|6|7|8", "3|4|5|6|7|8"},
    {"Para_SensorEtherMode", "label_SensorEtherMode", "Ethernet Mode", "以太网模式接口", 2, 0, 0,
     "TCP Server|UDP Mode", "TCP服务器|UDP模式"},
    {"Para_SensorIPAddress1", "label_SensorIPAddress", "IP Address:", "以太网IP地址:", 0, 10, 223, nullptr,
     nullptr},
    {"Para_SensorIPAddress2", "label_SensorIPAddress", "IP Address:", "以太网IP地址:", 0, 0, 255, nullptr,
     nullptr},
    {"Para_SensorIPAddress3", "label_SensorIPAddress", "IP Address:", "以太网IP地址:", 0, 0, 255, nullptr,
     nullptr},
    {"Para_SensorIPAddress4", "label_SensorIPAddress", "IP Address:", "以太网IP地址:", 0, 0, 255, nullptr,
     nullptr},
    {"Para_LaserMeasureFrq", "label_LaserMeasureFrq", "Laser Frequency", "激光测量频率", 3, 0, 0,
     "144KHz|216KHz|432KHz", "144KHz|216KHz|432KHz"},
    {"Para_LaserStopSignal", "label_LaserStopSignal", "Echo Selection", "多次回波选择", 4, 0, 0,
     "First|Second|Last|Strongest", "第一次|第二次|最后一次|能量最大"},
    {"Para_TrailiFilterLevel", "label_TrailiFilterLevel", "Trailing Filter", "拖尾过滤等级", 4, 0, 0,
     "Off|Easy|Medium|Strict", "关闭|简单|中等|严格"},
    {"Para_DirtyReceDistance", "label_DirtyReceDistance", "Dirt Distance", "脏污过滤距离", 0, 0, 2000,
     nullptr, nullptr},
    {"Para_DirtyReceStrength", "label_DirtyReceStrength", "Dirt Strength", "脏污过滤强度", 0, 0, 2000,
     nullptr, nullptr},
};

enum { IP1 = 18, IP4 = 21, FirstAfterIp = 22 };

} // namespace

const Control *control(int c)
{
    return c >= 0 && c < kCount ? &kControls[c] : nullptr;
}

QVector<int> repaired(const QVector<int> &states, const QVector<int> &fallback)
{
    QVector<int> out(kCount, 0);
    for (int c = 0; c < kCount; ++c) {
        const Control &k = kControls[c];
        const int v = states.value(c);
        if (k.items > 0)
            out[c] = v >= 0 && v < k.items ? v : fallback.value(c);
        else
            out[c] = qBound(k.min, v, k.max);
    }
    return out;
}

QStringList unsendable(const QVector<int> &states, Language language)
{
    QStringList lines;
    for (int c = 0; c < kCount; ++c) {
        const int v = states.value(c);
        const int most = c >= IP1 && c <= IP4 ? 255 : 65535;
        if (v < 0 || v > most)
            lines << pick(language, "Sensor setting %1: %2 cannot be sent (0 to %3)",
                          "传感器设置 %1：%2 无法发送（0 到 %3）")
                         .arg(label(c, language))
                         .arg(v)
                         .arg(most);
    }
    return lines;
}

QStringList beyondDock(const QVector<int> &states, Language language)
{
    QStringList lines;
    for (int c = 0; c < kCount; ++c) {
        const Control &k = kControls[c];
        const int v = states.value(c);
        const bool shown = k.items > 0 ? v >= 0 && v < k.items : v >= k.min && v <= k.max;
        if (!shown)
            lines << pick(language,
                          "Sensor setting %1: %2 is not among the settings dock's values; kept as it is",
                          "传感器设置 %1：%2 不在设置面板的取值中；保持原值")
                         .arg(label(c, language))
                         .arg(v);
    }
    return lines;
}

QVector<int> defaults()
{
    return fromParameters(SENSOR_PARAMETERS());
}

// Controls 0..17 are the parameters of the same number; the four IP parts make two parameters; the
// rest follow one parameter each.
SENSOR_PARAMETERS toParameters(const QVector<int> &states)
{
    SENSOR_PARAMETERS p;
    for (int c = 0; c < IP1; ++c)
        p.setValue(c, states.value(c));
    p.SensorIPAddressHigh = states.value(IP1) * 256 + states.value(IP1 + 1);
    p.SensorIPAddressLow = states.value(IP1 + 2) * 256 + states.value(IP4);
    for (int c = FirstAfterIp; c < kCount; ++c)
        p.setValue(c - 2, states.value(c));
    return p;
}

QVector<int> fromParameters(const SENSOR_PARAMETERS &p)
{
    QVector<int> states(kCount, 0);
    for (int c = 0; c < IP1; ++c)
        states[c] = p.value(c);
    states[IP1] = (p.SensorIPAddressHigh >> 8) & 0xFF;
    states[IP1 + 1] = p.SensorIPAddressHigh & 0xFF;
    states[IP1 + 2] = (p.SensorIPAddressLow >> 8) & 0xFF;
    states[IP4] = p.SensorIPAddressLow & 0xFF;
    for (int c = FirstAfterIp; c < kCount; ++c)
        states[c] = p.value(c - 2);
    return states;
}

QString label(int c, Language language)
{
    const Control *k = control(c);
    if (!k)
        return QString();
    QString text = pick(language, k->english, k->chinese);
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text;
}

QString valueText(int c, const QVector<int> &states, Language language)
{
    const Control *k = control(c);
    if (!k)
        return QString();
    if (c >= IP1 && c <= IP4) {
        QStringList parts;
        for (int i = IP1; i <= IP4; ++i)
            parts << QString::number(states.value(i));
        return parts.join(QLatin1Char('.'));
    }
    const int v = states.value(c);
    if (k->items == 0)
        return QString::number(v);
    const QStringList items = pick(language, k->itemsEnglish, k->itemsChinese).split('|');
    return v >= 0 && v < items.size() ? items[v] : QString::number(v);
}

QVector<QPair<QString, QString>> shown(const QVector<int> &states, Language language)
{
    QVector<QPair<QString, QString>> settings;
    for (int c = 0; c < kCount; ++c)
        if (c <= IP1 || c > IP4)
            settings.append({label(c, language), valueText(c, states, language)});
    return settings;
}

} // namespace SensorSettings
