#pragma once

// Miniature of one area's three output zones for the area list. Every paint rebuilds the picture
// from the project store, fitted so the area's farthest vertex sits 50 pixels from the centre.

#include <QWidget>

class PROJECT_DATA;

class PAINT_TABLE : public QWidget {
    Q_OBJECT
public:
    PAINT_TABLE(int index, PROJECT_DATA *project);

    int areaIndex() const { return Index; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const int Index;
    PROJECT_DATA *Project;
};
