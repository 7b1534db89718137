#pragma once

#include "area/store/language.h"
// File › Check Design Against Recording…: would the open design have switched its outputs where the
// recorded traffic says, and only there? The check runs over the recording open for playback (one is
// opened first when none is); the results list each switching with its time, a click plays from
// there, and the playback slider carries a mark per event in its output's colour. A second project
// file can be checked against the same recording, to see what a change adds and removes.

#include "check/design_check.h"

#include <QDialog>

#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class ScanReplayControl;
struct AREA_DATA;

class DesignCheckDialog : public QDialog {
    Q_OBJECT

public:
    struct Parts {
        ScanReplayControl *replay = nullptr;
        std::function<QVector<AREA_DATA>()> design; // the open project's areas
        std::function<int()> model;                 // the device model's code
    };

    DesignCheckDialog(const Parts &parts, QWidget *parent);

    // File › Check Design Against Recording…
    QAction *action() const { return Action; }
    void setLanguage(Language language);

public slots:
    // Checks the open design (and the comparison file, if one is chosen) against the open recording and
    // shows the results; false when there is none or the check was cancelled.
    bool runCheck();

public:
    const CheckResult &result() const { return Result; }
    const CheckResult &comparison() const { return Other; }
    bool hasComparison() const { return HasOther; }
    // Picks the project file to compare with (empty: none); false when it cannot be read.
    bool setComparisonFile(const QString &path);

public slots:
    // From the menu: opens a recording if none is open, then checks and shows the results.
    void start();

private:
    void retranslate();
    void showResults();
    void eventClicked(int row);
    bool check(const QVector<AREA_DATA> &areas, CheckResult *result, const QString &what);
    QString durationText(qint64 ms) const;

    Parts P;
    QAction *Action = nullptr;
    QComboBox *AreaChoice = nullptr;
    QPushButton *CompareButton = nullptr;
    QPushButton *RunButton = nullptr;
    QLabel *CompareLabel = nullptr;
    QLabel *RecordingLabel = nullptr;
    QTableWidget *Summary = nullptr;
    QTableWidget *Events = nullptr;
    QLabel *ChangeLabel = nullptr;
    QLabel *SummaryTitle = nullptr;
    QLabel *EventsTitle = nullptr;
    CheckResult Result;
    CheckResult Other;
    bool HasResult = false;
    bool HasOther = false;
    QString OtherPath;
    QVector<AREA_DATA> OtherAreas;
    Language Lang = Language::Chinese;
};
