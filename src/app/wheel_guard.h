#pragma once

// Scrolling over a settings pane scrolls the pane. A combo box or spin box inside a scrolling pane
// takes the mouse wheel only while it has keyboard focus (clicked or tabbed into); otherwise the
// wheel passes to the pane, so a setting never changes because the pointer rested on it.

#include <QObject>

class QWidget;

class WheelGuard : public QObject {
    Q_OBJECT
public:
    explicit WheelGuard(QObject *parent = nullptr);

    // Guards every combo box and spin box below root that lies inside a scroll area.
    void guard(QWidget *root);

    bool eventFilter(QObject *watched, QEvent *event) override;
};
