// Actions that change the sensor itself ask first, naming the sensor they will change: a laptop
// may be connected to another vehicle's scanner than the one the engineer has in mind.
#include "app/mainwindow.h"

#include "area/dialogs.h"
#include "comm/serial_comm.h"
#include "ui_mainwindow.h"

QString MainWindow::connectedSensorName() const
{
    const QString where = LastPeer; // the port or address as the user chose it
    QString name = pick(Lang, "the sensor at %1", "传感器 %1").arg(where);
    if (SensorSerialNumber >= 0)
        name += pick(Lang, " (serial number %1)", "（序列号 %1）").arg(SensorSerialNumber);
    return name;
}

void MainWindow::ConfirmWriteAllSlot()
{
    // The value still being typed is part of what is written.
    commitPendingEdits();
    const QString text = pick(Lang,
                              "Write all areas, case channels and parameters to %1?\n"
                              "The settings stored in the sensor are replaced.",
                              "将全部区域、工况通道和参数写入%1？\n传感器中保存的设置将被替换。")
                             .arg(connectedSensorName());
    // Cancel is the default: Enter must not overwrite a sensor.
    const int choice =
        Dialogs::ask(this, Dialogs::Icon::Question, pick(Lang, "Write All Setting", "下载数据"), text,
                     QStringList{pick(Lang, "Write", "写入"), pick(Lang, "Cancel", "取消")}, 1);
    if (choice == 0)
        writeAllToSensor();
}

void MainWindow::ConfirmSoftRebootSlot()
{
    const QString text = pick(Lang, "Restart %1?\nIt stops measuring until it has started again.",
                              "重启%1？\n重启完成前传感器停止测量。")
                             .arg(connectedSensorName());
    const int choice =
        Dialogs::ask(this, Dialogs::Icon::Question, pick(Lang, "Soft Reboot", "重启设备"), text,
                     QStringList{pick(Lang, "Restart", "重启"), pick(Lang, "Cancel", "取消")}, 1);
    if (choice == 0)
        SerialComm->SensorRebootSlots();
}
