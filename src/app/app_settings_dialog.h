#pragma once

#include "area/store/language.h"
#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLabel;

// Edit › App Settings: the program's own choices, kept in the settings between runs: the language,
// what connecting does with a design that is unsaved or from a file, and the model of a new project.
class AppSettingsDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char *kUnsavedDesignKey = "connect/unsavedDesign";
    static constexpr const char *kDefaultModelKey = "project/defaultModel";

    explicit AppSettingsDialog(QWidget *parent = nullptr);

    // The model a new project starts with: VKT-30xx unless VKT-50xx was chosen.
    static int defaultModel();

    // Shows the stored choices; the language is the window's own.
    void load(Language language);
    void setLanguage(Language language);

    QComboBox *languageBox() const { return LanguageBox; }
    QComboBox *unsavedDesignBox() const { return UnsavedDesign; }
    QComboBox *defaultModelBox() const { return DefaultModel; }
    QDialogButtonBox *buttons() const { return Buttons; }
    // The language chosen in the dialog.
    Language chosenLanguage() const;

signals:
    // OK: the choices are stored; the window applies the language.
    void SettingsApplied();

private:
    void store();

    QLabel *LanguageLabel;
    QLabel *UnsavedDesignLabel;
    QLabel *DefaultModelLabel;
    QComboBox *LanguageBox;
    QComboBox *UnsavedDesign;
    QComboBox *DefaultModel;
    QDialogButtonBox *Buttons;
};
