#include "app/design_check_dialog.h"

#include "app/scan_replay_control.h"
#include "area/dialogs.h"
#include "area/file/project_file.h"
#include "area/store/project_data.h"
#include "editor/paint_outline.h"
#include "scan/scan_playback.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
// Rows of the summary: one per output.
constexpr int kOutputs = 3;
} // namespace

DesignCheckDialog::DesignCheckDialog(const Parts &parts, QWidget *parent) : QDialog(parent), P(parts)
{
    setObjectName(QStringLiteral("DesignCheckDialog"));
    Action = new QAction(this);
    Action->setObjectName(QStringLiteral("CheckDesignAgainstRecording"));
    connect(Action, &QAction::triggered, this, &DesignCheckDialog::start);

    RecordingLabel = new QLabel(this);
    RecordingLabel->setObjectName(QStringLiteral("CheckRecording"));
    RecordingLabel->setWordWrap(true);
    AreaChoice = new QComboBox(this);
    AreaChoice->setObjectName(QStringLiteral("CheckArea"));
    CompareButton = new QPushButton(this);
    CompareButton->setObjectName(QStringLiteral("CheckCompare"));
    CompareLabel = new QLabel(this);
    CompareLabel->setObjectName(QStringLiteral("CheckCompareFile"));
    RunButton = new QPushButton(this);
    RunButton->setObjectName(QStringLiteral("CheckRun"));

    SummaryTitle = new QLabel(this);
    Summary = new QTableWidget(kOutputs, 5, this);
    Summary->setObjectName(QStringLiteral("CheckSummary"));
    Summary->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Summary->verticalHeader()->hide();
    Summary->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Summary->horizontalHeader()->setStretchLastSection(true);
    Summary->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);

    EventsTitle = new QLabel(this);
    Events = new QTableWidget(0, 5, this);
    Events->setObjectName(QStringLiteral("CheckEvents"));
    Events->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Events->setSelectionBehavior(QAbstractItemView::SelectRows);
    Events->setSelectionMode(QAbstractItemView::SingleSelection);
    Events->verticalHeader()->hide();
    Events->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Events->horizontalHeader()->setStretchLastSection(true);
    connect(Events, &QTableWidget::cellClicked, this, [this](int row, int) { eventClicked(row); });
    connect(Events, &QTableWidget::cellActivated, this, [this](int row, int) { eventClicked(row); });

    ChangeLabel = new QLabel(this);
    ChangeLabel->setObjectName(QStringLiteral("CheckChange"));
    ChangeLabel->setWordWrap(true);

    auto *options = new QHBoxLayout;
    options->addWidget(AreaChoice);
    options->addWidget(CompareButton);
    options->addWidget(CompareLabel, 1);
    options->addWidget(RunButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(RecordingLabel);
    layout->addLayout(options);
    layout->addWidget(SummaryTitle);
    layout->addWidget(Summary);
    layout->addWidget(ChangeLabel);
    layout->addWidget(EventsTitle);
    layout->addWidget(Events, 1);
    resize(720, 520);

    connect(RunButton, &QPushButton::clicked, this, &DesignCheckDialog::runCheck);
    connect(CompareButton, &QPushButton::clicked, this, [this] {
        const QString name = Dialogs::fileName(
            this, Dialogs::FileMode::Open, pick(Lang, "Compare With", "对比项目"), QString(),
            pick(Lang, "Project files (*.vkt *.VKT *.*)", "项目文件 (*.vkt *.VKT *.*)"));
        if (!name.isEmpty() && setComparisonFile(name))
            runCheck();
    });
    retranslate();
}

QString DesignCheckDialog::durationText(qint64 ms) const
{
    if (ms < 60000)
        return QString::number(ms / 1000.0, 'f', 2) + pick(Lang, " s", " 秒");
    const qint64 s = ms / 1000;
    return s >= 3600 ? QStringLiteral("%1:%2:%3")
                           .arg(s / 3600)
                           .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                           .arg(s % 60, 2, 10, QLatin1Char('0'))
                     : QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

void DesignCheckDialog::setLanguage(Language language)
{
    Lang = language;
    retranslate();
}

void DesignCheckDialog::retranslate()
{
    Action->setText(pick(Lang, "Check Design Against Recording…", "用扫描记录检查设计…"));
    setWindowTitle(pick(Lang, "Design Check", "设计检查"));
    const int area = AreaChoice->currentIndex();
    AreaChoice->clear();
    AreaChoice->addItem(pick(Lang, "Active area, as the sensor reported it", "传感器报告的当前区域"));
    for (int i = 0; i < kAreaCount; ++i)
        AreaChoice->addItem(pick(Lang, "Area %1", "区域%1").arg(i));
    AreaChoice->setCurrentIndex(qMax(0, area));
    CompareButton->setText(pick(Lang, "Compare With…", "对比项目…"));
    RunButton->setText(pick(Lang, "Check", "检查"));
    SummaryTitle->setText(pick(Lang, "Per output", "各输出"));
    EventsTitle->setText(pick(Lang, "Where the outputs would switch (click: play from there)",
                              "输出将切换的位置（单击：从该处回放）"));
    Summary->setHorizontalHeaderLabels({pick(Lang, "Output", "输出"), pick(Lang, "Switched", "切换次数"),
                                        pick(Lang, "In all", "总时长"), pick(Lang, "Longest", "最长"),
                                        pick(Lang, "Agreement with the sensor", "与传感器一致")});
    Events->setHorizontalHeaderLabels({pick(Lang, "Time", "时间"), pick(Lang, "Area", "区域"),
                                       pick(Lang, "Output", "输出"), pick(Lang, "Duration", "持续时间"),
                                       pick(Lang, "Nearest point", "最近点")});
    if (!OtherPath.isEmpty())
        CompareLabel->setText(pick(Lang, "Compared with %1", "对比 %1").arg(QFileInfo(OtherPath).fileName()));
    if (HasResult)
        showResults();
}

bool DesignCheckDialog::setComparisonFile(const QString &path)
{
    HasOther = false;
    OtherPath.clear();
    OtherAreas.clear();
    CompareLabel->clear();
    if (path.isEmpty())
        return true;
    PROJECT_DATA project;
    ProjectFile::Contents contents;
    QString error;
    const ProjectFile::LoadStatus status = ProjectFile::load(path, project, contents, -1, &error);
    if (status != ProjectFile::LoadStatus::Loaded) {
        const QString why =
            status == ProjectFile::LoadStatus::NotAProject
                ? pick(Lang, "It is no project file.", "它不是项目文件。")
            : status == ProjectFile::LoadStatus::TooLarge
                ? pick(Lang, "It is too large for a project file.", "文件过大，不是项目文件。")
                : error;
        Dialogs::ask(this, Dialogs::Icon::Warning, windowTitle(),
                     pick(Lang, "%1 cannot be compared.\n%2", "无法对比 %1。\n%2")
                         .arg(QFileInfo(path).fileName(), why));
        return false;
    }
    OtherPath = path;
    OtherAreas = project.Areas;
    retranslate();
    return true;
}

void DesignCheckDialog::start()
{
    if (!P.replay->isPlayingBack()) {
        P.replay->openRecording();
        if (!P.replay->isPlayingBack())
            return;
    }
    if (!runCheck())
        return;
    show();
    raise();
    activateWindow();
}

bool DesignCheckDialog::check(const QVector<AREA_DATA> &areas, CheckResult *result, const QString &what)
{
    const ScanRecording &recording = P.replay->playback()->recording();
    CheckOptions options;
    options.area = AreaChoice->currentIndex() - 1;
    QProgressDialog progress(what, pick(Lang, "Cancel", "取消"), 0, recording.scanCount(), parentWidget());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    bool cancelled = false;
    const DesignCheck checker(areas, P.model());
    *result = checker.run(recording, options, [&](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        cancelled = progress.wasCanceled();
        return !cancelled;
    });
    if (result->damage.kind != RecordingError::None) {
        progress.close();
        Dialogs::ask(this, Dialogs::Icon::Warning, windowTitle(), describe(result->damage, Lang));
        return false;
    }
    return !cancelled;
}

bool DesignCheckDialog::runCheck()
{
    HasResult = false;
    if (!P.replay->isPlayingBack())
        return false;
    P.replay->playback()->pause();
    if (!check(P.design(), &Result, pick(Lang, "Checking the design…", "正在检查设计…")))
        return false;
    HasResult = true;
    if (!OtherPath.isEmpty())
        HasOther = check(OtherAreas, &Other,
                         pick(Lang, "Checking %1…", "正在检查 %1…").arg(QFileInfo(OtherPath).fileName()));
    // The slider shows where each output would switch.
    QVector<ScanReplayControl::Mark> marks;
    for (const BreachEvent &e : Result.events)
        marks.append({e.startMs, e.output});
    P.replay->setMarks(marks);
    showResults();
    return true;
}

void DesignCheckDialog::showResults()
{
    if (!HasResult)
        return;
    if (P.replay->isPlayingBack())
        RecordingLabel->setText(pick(Lang, "Recording %1, %2", "扫描记录 %1，%2")
                                    .arg(QFileInfo(P.replay->playback()->path()).fileName(),
                                         durationText(P.replay->playback()->durationMs())));
    for (int o = 0; o < kOutputs; ++o) {
        const OutputSummary &s = Result.outputs[o];
        QStringList cells{pick(Lang, "Out %1", "输出%1").arg(o + 1), QString::number(s.count),
                          durationText(s.totalMs), durationText(s.longestMs)};
        cells << (Result.sensorOutputsKnown && s.comparedScans > 0
                      ? QStringLiteral("%1 %").arg(100.0 * s.agreeScans / s.comparedScans, 0, 'f', 1)
                      : pick(Lang, "not recorded", "未记录"));
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (c == 0)
                item->setForeground(PAINT_OUTLINE::breachColour(o).darker(130));
            Summary->setItem(o, c, item);
        }
    }
    ChangeLabel->setVisible(HasOther);
    if (HasOther)
        ChangeLabel->setText(pick(Lang, "Against %1: ", "与 %1 对比：").arg(QFileInfo(OtherPath).fileName()) +
                             compareText(Other, Result, Lang).join(QStringLiteral("\n")));

    Events->setRowCount(Result.events.size());
    for (int r = 0; r < Result.events.size(); ++r) {
        const BreachEvent &e = Result.events[r];
        const QStringList cells{durationText(e.startMs), QString::number(e.area),
                                pick(Lang, "Out %1", "输出%1").arg(e.output + 1), durationText(e.durationMs),
                                QStringLiteral("%1 mm (%2, %3)")
                                    .arg(qRound(e.nearestMm))
                                    .arg(qRound(e.nearest.x()))
                                    .arg(qRound(e.nearest.y()))};
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (c == 2)
                item->setForeground(PAINT_OUTLINE::breachColour(e.output).darker(130));
            Events->setItem(r, c, item);
        }
    }
}

// Plays from the event on: the view shows the scan with its breaching points.
void DesignCheckDialog::eventClicked(int row)
{
    if (row < 0 || row >= Result.events.size() || !P.replay->isPlayingBack())
        return;
    ScanPlayback *playback = P.replay->playback();
    playback->pause();
    playback->seek(Result.events[row].startMs);
    playback->play();
}
