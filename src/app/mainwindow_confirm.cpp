// Actions that change the sensor itself ask first, naming the sensor they will change: a laptop
// may be connected to another vehicle's scanner than the one the engineer has in mind.
#include "app/mainwindow.h"

#include "area/dialogs.h"
#include "comm/serial_comm.h"
#include "ui_mainwindow.h"

QString MainWindow::connectedSensorName() const
{
    const bool en = Language == 1;
    const QString where = LastPeer; // the port or address as the user chose it
    QString name = en ? QString("the sensor at %1").arg(where) : QString::fromUtf8("传感器 %1").arg(where);
    if (SensorSerialNumber >= 0)
        name += en ? QString(" (serial number %1)").arg(SensorSerialNumber)
                   : QString::fromUtf8("（序列号 %1）").arg(SensorSerialNumber);
    return name;
}

void MainWindow::ConfirmWriteAllSlot()
{
    // The value still being typed is part of what is written.
    commitPendingEdits();
    const bool en = Language == 1;
    const QString text =
        en ? QString("Write all areas, case channels and parameters to %1?\n"
                     "The settings stored in the sensor are replaced.")
                 .arg(connectedSensorName())
           : QString::fromUtf8("将全部区域、工况通道和参数写入%1？\n传感器中保存的设置将被替换。")
                 .arg(connectedSensorName());
    // Cancel is the default: Enter must not overwrite a sensor.
    const int choice =
        Dialogs::ask(this, Dialogs::Icon::Question, en ? "Write All Setting" : "下载数据", text,
                     en ? QStringList{"Write", "Cancel"} : QStringList{"写入", "取消"}, 1);
    if (choice == 0)
        writeAllToSensor();
}

void MainWindow::ConfirmSoftRebootSlot()
{
    const bool en = Language == 1;
    const QString text =
        en ? QString("Restart %1?\nIt stops measuring until it has started again.").arg(connectedSensorName())
           : QString::fromUtf8("重启%1？\n重启完成前传感器停止测量。").arg(connectedSensorName());
    const int choice = Dialogs::ask(this, Dialogs::Icon::Question, en ? "Soft Reboot" : "重启设备", text,
                                    en ? QStringList{"Restart", "Cancel"} : QStringList{"重启", "取消"}, 1);
    if (choice == 0)
        SerialComm->SensorRebootSlots();
}
