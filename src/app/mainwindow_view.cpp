// Zoom to fit: the displayed area's zones, or the scan when the area has none. After connecting and
// when monitoring starts, the view fits the first scan that arrives, so the engineer sees what the
// sensor sees without hunting for it with the slider.
#include "app/mainwindow.h"

#include "area/geometry/zone_hits.h"
#include "area/store/project_data.h"
#include "comm/serial_comm.h"
#include "editor/breach_legend.h"
#include "editor/option_scene.h"
#include "editor/paint_outline.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QMenu>

void MainWindow::makeViewConnections()
{
    Legend = new BreachLegend;
    ui->graphicsView->setCornerOverlay(Legend);
    Legend->hide(); // shown while the scan streams

    ZoomToFitAction = new QAction(this);
    ZoomToFitAction->setObjectName("ZoomToFit");
    ZoomToFitAction->setShortcut(QKeySequence(Qt::Key_F));
    ui->View->addAction(ZoomToFitAction);
    connect(ZoomToFitAction, &QAction::triggered, this, &MainWindow::ZoomToFitSlot);
    connect(SerialComm, &SERIAL_COMM::ReceiveScanfData, this, [this] {
        if (!FitOnNextScan)
            return;
        FitOnNextScan = false;
        ui->graphicsView->FitToRect(scanReach());
    });
    connect(ui->DisConnection, &QAction::changed, this, [this] {
        const bool connected = ui->DisConnection->isEnabled();
        if (connected != WasConnected)
            FitOnNextScan = connected;
        WasConnected = connected;
    });
}

QRectF MainWindow::scanReach()
{
    PAINT_OUTLINE *outline = OptionScene->outlineItem();
    if (outline->isVisible()) {
        const QPolygonF &scan = outline->contour(false);
        if (scan.size() > 2)
            return scan.boundingRect();
    }
    // No scan yet: the model's measuring range.
    const double half = ui->graphicsView->extentWidth() / 2.0;
    return QRectF(-half, -half, 2 * half, 2 * half);
}

void MainWindow::ZoomToFitSlot()
{
    const PROJECT_DATA &p = ProjectData();
    const int area = qBound(0, p.CurrentArea, kAreaCount - 1);
    const double extent = ui->graphicsView->extentWidth();
    zone::Zone zones[3];
    zone::buildArea(p.Areas[area], QSizeF(extent, extent), zones);
    const QRectF r = zone::bounds(zones);
    ui->graphicsView->FitToRect(r.isNull() ? scanReach() : r);
}
