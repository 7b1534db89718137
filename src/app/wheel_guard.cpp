#include "app/wheel_guard.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QWidget>

namespace {

bool insideScrollArea(const QWidget *w)
{
    for (const QWidget *p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea *>(p))
            return true;
    return false;
}

} // namespace

WheelGuard::WheelGuard(QObject *parent) : QObject(parent) {}

void WheelGuard::guard(QWidget *root)
{
    QList<QWidget *> boxes;
    for (QComboBox *box : root->findChildren<QComboBox *>())
        boxes << box;
    for (QAbstractSpinBox *box : root->findChildren<QAbstractSpinBox *>())
        boxes << box;
    for (QWidget *box : boxes) {
        if (!insideScrollArea(box))
            continue;
        // Wheel focus would hand the box the focus, and then the very notch that should scroll.
        box->setFocusPolicy(Qt::StrongFocus);
        box->installEventFilter(this);
    }
}

bool WheelGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel) {
        auto *w = qobject_cast<QWidget *>(watched);
        if (w && !w->hasFocus()) {
            // Ignored and filtered: the box does not see it, and the application hands it on to the
            // parents, up to the scroll area.
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
