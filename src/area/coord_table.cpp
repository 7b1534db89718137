#include "area/coord_table.h"

#include "area/geometry/polar.h"
#include "area/store/project_data.h"
#include "comm/codec/area_codec.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <climits>
#include <cmath>

namespace {

// The largest float below 2^31: a radius up to this keeps R·cos and R·sin within int.
constexpr float kMaxRadius = 2147483520.0f;
constexpr float kAppendRadius = 20.0f;

// A typed number; anything that is not a finite number reads as 0.
float cellValue(const QTableWidgetItem *item)
{
    bool ok = false;
    const float v = item->text().trimmed().toFloat(&ok);
    return ok && std::isfinite(v) ? v : 0.0f;
}

bool isNumber(const QTableWidgetItem *item)
{
    bool ok = false;
    const float v = item->text().trimmed().toFloat(&ok);
    return ok && std::isfinite(v);
}

// Truncation toward zero that saturates instead of overflowing.
int truncated(float v)
{
    if (!(v == v))
        return 0;
    if (v >= 2147483648.0f)
        return INT_MAX;
    if (v < -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(v);
}

// Positive values round half up, negative ones truncate toward zero (-2.5 stays -2).
int rounded(float v)
{
    int i = truncated(v);
    if (i < INT_MAX && v - static_cast<float>(i) >= 0.5f)
        ++i;
    return i;
}

float clampedRadius(float r)
{
    return qBound(-kMaxRadius, r, kMaxRadius);
}

QPoint fromPolar(float r, float angleRad)
{
    return polar::toPoint(clampedRadius(r), angleRad);
}

// The point with its X (column 1) or Y (column 2) cell set to the typed value.
QPoint cartesianEdited(QPoint p, int column, float v)
{
    (column == 1 ? p.rx() : p.ry()) = rounded(v);
    return p;
}

// The point with its radius (column 1) or bearing in degrees (column 2) set to the typed value.
QPoint polarEdited(const QPoint &p, int column, float v)
{
    float r = polar::radius(p);
    float a = polar::angle(p);
    if (column == 1)
        r = v;
    else
        a = v * polar::kDegToRad;
    return fromPolar(r, a);
}

// The point a value typed into the empty row of the polar table appends: a radius on bearing 0,
// or a bearing at a short radius.
QPoint polarAppended(int column, float v)
{
    return column == 1 ? QPoint(truncated(v), 0) : fromPolar(kAppendRadius, v * polar::kDegToRad);
}

QTableWidgetItem *cell(const QString &text)
{
    return new QTableWidgetItem(text);
}

// The point number is a label, not a value: not enabled, so it looks fixed and Tab passes it by.
QTableWidgetItem *numberCell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::NoItemFlags);
    return item;
}

// Whether four corners go around an axis-parallel rectangle of some size, starting either way.
bool isRectangle(const QVector<QPoint> &p)
{
    if (p.size() != 4)
        return false;
    const bool verticalFirst =
        p[0].x() == p[1].x() && p[1].y() == p[2].y() && p[2].x() == p[3].x() && p[3].y() == p[0].y();
    const bool horizontalFirst =
        p[0].y() == p[1].y() && p[1].x() == p[2].x() && p[2].y() == p[3].y() && p[3].x() == p[0].x();
    return (verticalFirst || horizontalFirst) && p[0].x() != p[2].x() && p[0].y() != p[2].y();
}

QString polarText(float v)
{
    return QString::number(double(v), 'g', 6);
}

} // namespace

COORD_TABLE::COORD_TABLE(PROJECT_DATA *project, QTableWidget *cartesianOut1, QTableWidget *cartesianOut2,
                         QTableWidget *cartesianOut3, QTableWidget *polarOut1, QTableWidget *polarOut2,
                         QTableWidget *polarOut3)
    : Project(project), Cartesian{cartesianOut1, cartesianOut2, cartesianOut3}, Polar{polarOut1, polarOut2,
                                                                                      polarOut3}
{
    for (int k = 0; k < kOutputCount; ++k) {
        buildTable(Cartesian[k], false);
        buildTable(Polar[k], true);
    }
    for (int k = 0; k < kOutputCount; ++k)
        connectEdits(k, false);
    for (int k = 0; k < kOutputCount; ++k)
        connectEdits(k, true);
    for (int k = 0; k < kOutputCount; ++k) {
        Cartesian[k]->installEventFilter(this);
        Polar[k]->installEventFilter(this);
    }
}

void COORD_TABLE::buildTable(QTableWidget *table, bool polar)
{
    table->setColumnCount(3);
    QHeaderView *header = table->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignJustify);
    header->setStretchLastSection(true);
    table->setColumnWidth(0, 40);
    table->setColumnWidth(1, 80);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->setHorizontalHeaderLabels(polar ? QStringList{"点数", "距离[mm]", "角度[deg]"}
                                           : QStringList{"点数", "X坐标[mm]", "Y坐标[mm]"});
    table->setRowCount(1);
    table->setItem(0, 0, numberCell("1"));
    table->setItem(0, 1, cell("0"));
    table->setItem(0, 2, cell("0"));
}

namespace {
using EditSlot = void (COORD_TABLE::*)(QTableWidgetItem *);
const EditSlot kCartesianSlots[] = {&COORD_TABLE::CoordTable1EditSlots, &COORD_TABLE::CoordTable2EditSlots,
                                    &COORD_TABLE::CoordTable3EditSlots};
const EditSlot kPolarSlots[] = {&COORD_TABLE::PolarTable1EditSlots, &COORD_TABLE::PolarTable2EditSlots,
                                &COORD_TABLE::PolarTable3EditSlots};
} // namespace

void COORD_TABLE::connectEdits(int output, bool polar)
{
    QTableWidget *table = polar ? Polar[output] : Cartesian[output];
    connect(table, &QTableWidget::itemChanged, this, polar ? kPolarSlots[output] : kCartesianSlots[output]);
}

void COORD_TABLE::disconnectEdits(int output, bool polar)
{
    QTableWidget *table = polar ? Polar[output] : Cartesian[output];
    disconnect(table, &QTableWidget::itemChanged, this,
               polar ? kPolarSlots[output] : kCartesianSlots[output]);
}

// ---- refills ----------------------------------------------------------------------------------

// Sets a cell's text, reusing the item: a refill runs while the user's edit of that very item is
// being committed, so the item must outlive it.
static void setCell(QTableWidget *table, int row, int column, const QString &text)
{
    if (QTableWidgetItem *item = table->item(row, column))
        item->setText(text);
    else
        table->setItem(row, column, column == 0 ? numberCell(text) : cell(text));
}

void COORD_TABLE::refillTable(int output, bool polarTable)
{
    const AREA_DATA &area = Project->currentArea();
    const QVector<QPoint> &points = area.coord(output);
    QTableWidget *table = polarTable ? Polar[output] : Cartesian[output];
    disconnectEdits(output, polarTable);
    const int n = points.size();
    // The row count is set once: removing the row of an open editor would leave the table unable
    // to open the next one.
    table->setRowCount(area.shape(output) == Polygon ? n + 1 : n);
    for (int r = 0; r < n; ++r) {
        const QPoint &p = points[r];
        setCell(table, r, 0, QString::number(r + 1));
        table->item(r, 0)->setIcon(QIcon());
        table->item(r, 0)->setToolTip(QString());
        setCell(table, r, 1, polarTable ? polarText(polar::radius(p)) : QString::number(p.x()));
        setCell(table, r, 2, polarTable ? polarText(polar::degrees(p)) : QString::number(p.y()));
        markRange(table, r, polarTable, p);
    }
    if (area.shape(output) == Polygon || area.shape(output) == Rectangle)
        markOneBearing(table, points);
    if (area.shape(output) == Polygon) {
        setCell(table, n, 0, QString::number(n + 1));
        table->item(n, 0)->setIcon(QIcon());
        table->item(n, 0)->setToolTip(QString());
        setCell(table, n, 1, "0");
        setCell(table, n, 2, "0");
        markRange(table, n, polarTable, QPoint(0, 0));
    }
    connectEdits(output, polarTable);
}

// A point beyond the measuring range is kept as typed (the design may be meant for another model)
// but its cells carry a warning: X and Y, or the radius.
void COORD_TABLE::markRange(QTableWidget *table, int row, bool polarTable, const QPoint &point)
{
    const bool beyond = RangeLimit > 0 && polar::radius(point) > float(RangeLimit);
    const QString tip =
        !beyond
            ? QString()
            : pick(Lang,
                   "%1 mm from the sensor: beyond the model's range of %2 mm. The sensor cannot see there.",
                   "距传感器 %1 mm：超出该型号的测量范围 %2 mm，传感器无法检测该处。")
                  .arg(double(polar::radius(point)), 0, 'f', 0)
                  .arg(RangeLimit);
    const QIcon mark = beyond ? QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning) : QIcon();
    for (int column = 1; column <= (polarTable ? 1 : 2); ++column)
        if (QTableWidgetItem *item = table->item(row, column)) {
            item->setIcon(mark);
            item->setToolTip(tip);
        }
}

// Points on one bearing cannot both reach the sensor (its record keeps one per bearing): both rows are
// marked while the user draws, and a write refuses the zone.
void COORD_TABLE::markOneBearing(QTableWidget *table, const QVector<QPoint> &points)
{
    const QIcon mark = QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
    for (const QPair<int, int> &pair : pointsOnOneBearing(points))
        for (int row : {pair.first, pair.second}) {
            const int other = row == pair.first ? pair.second : pair.first;
            const QString tip = pick(Lang,
                                     "On one bearing with point %1: the sensor keeps only one of "
                                     "them. Move one of the two.",
                                     "与点%1位于同一方位：传感器只保留其中一个。请移动其中一个点。")
                                    .arg(other + 1);
            if (QTableWidgetItem *item = table->item(row, 0)) {
                item->setIcon(mark);
                item->setToolTip(tip);
            }
        }
}

void COORD_TABLE::setRangeLimit(int millimetres)
{
    RangeLimit = millimetres;
    CoordTableWidgeUpdate();
}

void COORD_TABLE::setLanguage(Language language)
{
    Lang = language;
    CoordTableWidgeUpdate();
}

void COORD_TABLE::refillOutput(int output)
{
    refillTable(output, false);
    refillTable(output, true);
}

void COORD_TABLE::CoordTableWidgeUpdate()
{
    // Shown afresh (another area, shape or design): no corner counts as typed.
    for (int &typed : TypedCorners)
        typed = 0;
    for (int k = 0; k < kOutputCount; ++k)
        refillTable(k, false);
    for (int k = 0; k < kOutputCount; ++k)
        refillTable(k, true);
}

// ---- edits ------------------------------------------------------------------------------------

void COORD_TABLE::CoordTable1EditSlots(QTableWidgetItem *Item)
{
    cellEdit(0, false, Item);
}
void COORD_TABLE::CoordTable2EditSlots(QTableWidgetItem *Item)
{
    cellEdit(1, false, Item);
}
void COORD_TABLE::CoordTable3EditSlots(QTableWidgetItem *Item)
{
    cellEdit(2, false, Item);
}
void COORD_TABLE::PolarTable1EditSlots(QTableWidgetItem *Item)
{
    cellEdit(0, true, Item);
}
void COORD_TABLE::PolarTable2EditSlots(QTableWidgetItem *Item)
{
    cellEdit(1, true, Item);
}
void COORD_TABLE::PolarTable3EditSlots(QTableWidgetItem *Item)
{
    cellEdit(2, true, Item);
}

void COORD_TABLE::cellEdit(int output, bool polarTable, QTableWidgetItem *item)
{
    if (!item)
        return;
    QVector<QPoint> &points = Project->currentArea().coord(output);
    const int n = points.size();
    const int row = item->row();
    const int column = item->column();
    const bool coordinate = column == 1 || column == 2;
    // Text that is not a number changes nothing: reading it as 0 would move the point to the sensor.
    if (coordinate && !isNumber(item)) {
        const QString typed = item->text().trimmed();
        refillTable(output, polarTable);
        emit CellInputRefused(
            pick(Lang, "\"%1\" is not a number: the cell keeps its value.", "“%1”不是数字：单元格保留原值。")
                .arg(typed));
        return;
    }
    const float v = cellValue(item);
    if (row >= 0 && row < n) {
        const QVector<QPoint> before = points;
        if (coordinate)
            points[row] =
                polarTable ? polarEdited(points[row], column, v) : cartesianEdited(points[row], column, v);
        applyShapeRule(output, row, polarTable ? 0 : column, before);
        if (Project->currentArea().shape(output) == Rectangle && !isRectangle(points))
            emit CellInputRefused(
                pick(Lang,
                     "Not yet a rectangle: type its four corners in turn around it, for example "
                     "bottom-left, bottom-right, top-right, top-left.",
                     "矩形：请依次沿矩形输入四个角点，每个角点与一个相邻角点X相同、"
                     "与另一个相邻角点Y相同（例如左下、右下、右上、左上）。"
                     "输入完成前它还不是矩形。"));
        if (output > 0)
            applyDependentRule();
    } else if (row == n && v != 0.0f && coordinate) {
        if (n >= kMaxZonePoints) {
            refillOutput(output); // the refused value leaves the append row
            emit PointLimitSignal();
            return;
        }
        points.append(polarTable ? polarAppended(column, v) : cartesianEdited(QPoint(0, 0), column, v));
    }
    if (output > 0)
        refillOutput(output == 1 ? 2 : 1);
    refillOutput(output);
    emit CoordTableEditSignal();
}

void COORD_TABLE::applyShapeRule(int output, int row, int column, const QVector<QPoint> &before)
{
    AREA_DATA &area = Project->currentArea();
    QVector<QPoint> &p = area.coord(output);
    const int shape = area.shape(output);
    if (shape == Arc && p.size() == 2 && (row == 0 || row == 1)) {
        // Both ends stay on one circle: the other end takes the new radius at its own bearing.
        const int other = 1 - row;
        p[other] = fromPolar(polar::radius(p[row]), polar::angle(p[other]));
    } else if (shape == Rectangle && p.size() == 4 && row >= 0 && row <= 3) {
        // A corner's new X goes to the neighbour that shares its X, its new Y to the one that
        // shares its Y (P0/P1 share X unless the rectangle already goes round the other way),
        // except where the user has typed that neighbour's value since the zone was shown: typed
        // values stay. So two opposite corners make the rectangle, and four corners typed in turn
        // make it whichever corner comes first and whichever way round.
        const int previous = (row + 3) % 4;
        const int next = (row + 1) % 4;
        const bool horizontalFirst = isRectangle(before) && before[0].y() == before[1].y();
        const bool nextSharesX = (row % 2 == 0) != horizontalFirst;
        const int sharesX = nextSharesX ? next : previous;
        const int sharesY = nextSharesX ? previous : next;
        int &typed = TypedCorners[output];
        const auto xBit = [](int corner) { return 1 << corner; };
        const auto yBit = [](int corner) { return 1 << (4 + corner); };
        if (p[row].x() != before[row].x() && !(typed & xBit(sharesX)))
            p[sharesX].setX(p[row].x());
        if (p[row].y() != before[row].y() && !(typed & yBit(sharesY)))
            p[sharesY].setY(p[row].y());
        typed |= (column == 1 ? xBit(row) : 0) | (column == 2 ? yBit(row) : 0);
        if (typed == 0xFF)
            typed = 0; // all eight given: from now on a corner moves the rectangle
    }
}

void COORD_TABLE::applyDependentRule()
{
    AREA_DATA &area = Project->currentArea();
    for (int k = 1; k < kOutputCount; ++k) {
        QVector<QPoint> &p = area.coord(k);
        if (p.size() == 1 && isDependentShape(area.shape(k)))
            p[0].setX(0);
    }
}

// ---- Delete key -------------------------------------------------------------------------------

bool COORD_TABLE::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QTableWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Delete)
        deleteKey(qobject_cast<QTableWidget *>(watched));
    // Cells open by double click only; typing and keyboard navigation are not offered.
    return true;
}

bool COORD_TABLE::deleteKey(QTableWidget *table)
{
    int output = -1;
    for (int k = 0; k < kOutputCount; ++k)
        if (table && (table == Cartesian[k] || table == Polar[k]))
            output = k;
    if (output < 0)
        return false;
    AREA_DATA &area = Project->currentArea();
    if (area.shape(output) != Polygon)
        return false;
    QVector<QPoint> &points = area.coord(output);
    const int n = points.size();
    const int row = table->currentRow();
    if (output == 0 && n == 0)
        return false;
    if (row >= n)
        return false;
    if (row >= 0)
        points.removeAt(row);
    refillOutput(output);
    emit CoordTableEditSignal();
    return true;
}
