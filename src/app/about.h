#pragma once

#include "area/store/language.h"
#include <QDialog>

namespace Ui {
class About;
}

// Product name, software version, release date and licence.
class About : public QDialog {
    Q_OBJECT

public:
    explicit About(QWidget *parent = nullptr);
    ~About() override;

    Ui::About *form() const { return m_ui; }

public slots:
    void LanguageDisplayChinese();
    void LanguageDisplayEnglish();

private:
    void applyTexts(Language language);

    Ui::About *m_ui;
};
