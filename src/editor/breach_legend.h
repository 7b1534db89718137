#pragma once

#include "area/store/language.h"
#include <QWidget>

// A small key in the corner of the view while the scan streams: the three outputs' colours as the
// scan points inside their zones are drawn, and the scan's own colour.
class BreachLegend : public QWidget {
    Q_OBJECT
public:
    explicit BreachLegend(QWidget *parent = nullptr);

    void setLanguage(Language language);
    // The entries as shown, Out 1 to Out 3 and then the scan.
    QStringList texts() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Language Lang = Language::Chinese;
};
