#include "editor/breach_legend.h"

#include "editor/paint_outline.h"

#include <QPainter>

namespace {
constexpr int kPad = 6;
constexpr int kSwatch = 10;
constexpr int kGap = 10;
} // namespace

BreachLegend::BreachLegend(QWidget *parent) : QWidget(parent)
{
    setObjectName("BreachLegend");
    setAttribute(Qt::WA_TransparentForMouseEvents); // the view underneath keeps every click
    resize(sizeHint());
}

void BreachLegend::setLanguage(Language language)
{
    Lang = language;
    resize(sizeHint());
    update();
}

QStringList BreachLegend::texts() const
{
    return QStringList{pick(Lang, "Out 1", "输出1"), pick(Lang, "Out 2", "输出2"),
                       pick(Lang, "Out 3", "输出3"), pick(Lang, "Scan", "扫描")};
}

QSize BreachLegend::sizeHint() const
{
    int width = kPad;
    for (const QString &text : texts())
        width += kSwatch + 4 + fontMetrics().horizontalAdvance(text) + kGap;
    return QSize(width - kGap + kPad, fontMetrics().height() + 2 * kPad);
}

void BreachLegend::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0, 0, 0, 60));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawRoundedRect(rect().adjusted(0, 0, -1, -1), 4, 4);
    const QStringList entries = texts();
    int x = kPad;
    const int mid = height() / 2;
    for (int i = 0; i < entries.size(); ++i) {
        const QColor colour = i < 3 ? PAINT_OUTLINE::breachColour(i) : PAINT_OUTLINE::neutralColour();
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(colour);
        const QRectF swatch(x, mid - kSwatch / 2.0, kSwatch, kSwatch);
        if (i < 3)
            p.drawEllipse(swatch); // the dots the scan points inside a zone are drawn as
        else
            p.fillRect(QRectF(x, mid - 1.0, kSwatch, 2.0), colour); // the scan's line
        x += kSwatch + 4;
        p.setPen(palette().color(QPalette::WindowText));
        const int w = fontMetrics().horizontalAdvance(entries[i]);
        p.drawText(QRect(x, 0, w, height()), Qt::AlignVCenter | Qt::AlignLeft, entries[i]);
        x += w + kGap;
    }
}
