#include "comm/serial_comm.h"

#include "area/store/device_type.h"

#include "area/dialogs.h"
#include "scan/scan_playback.h"

#include <QLabel>
#include <QMetaMethod>
#include <QPixmap>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTimer>

SERIAL_COMM::SERIAL_COMM(SCAN_DATA *scanStore, PROJECT_DATA *projectStore, SENSOR_PARAMETERS *parameters,
                         SENSOR_CONTROL *scanControl, QObject *parent)
    : QObject(parent), m_engine(new ExchangeEngine(scanStore, projectStore, parameters, scanControl, this))
{
    // Closed at start: no parent, application-modal, the sensor picture as its label. Its Cancel
    // stops the running sequence; it never closes or resets the dialog by itself.
    m_progress = new QProgressDialog();
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setWindowModality(Qt::ApplicationModal);
    auto *label = new QLabel(m_progress);
    label->setPixmap(QPixmap(QStringLiteral(":images/ConnectSensor")));
    m_progress->setLabel(label);
    auto *bar = new QProgressBar(m_progress);
    bar->setTextVisible(true);
    m_progress->setBar(bar);
    m_progress->setRange(0, kAreaCount);
    disconnect(m_progress, &QProgressDialog::canceled, m_progress, &QProgressDialog::cancel);
    connect(m_progress, &QProgressDialog::canceled, this, &SERIAL_COMM::CancelSequence);
    m_progress->reset(); // also stops the dialog's own show-after-4-seconds timer
    m_progress->hide();

    ExchangeEngine *e = m_engine;
    connect(e, &ExchangeEngine::SequenceProgress, this,
            [this](ExchangeEngine::Sequence sequence, int done, int) { showProgress(sequence, done); });
    connect(e, &ExchangeEngine::SequenceFinished, this, [this] { closeProgress(); });
    connect(e, &ExchangeEngine::ExchangeGaveUp, this, [this] { closeProgress(); });
    connect(e, &ExchangeEngine::Message, this, &SERIAL_COMM::showMessage);

    connect(e, &ExchangeEngine::SelfCheckStatus, this, &SERIAL_COMM::SelfCheckStatus);
    connect(e, &ExchangeEngine::IOPortSignals, this, &SERIAL_COMM::IOPortSignals);
    connect(e, &ExchangeEngine::ReceiveScanfData, this, &SERIAL_COMM::ReceiveScanfData);
    connect(e, &ExchangeEngine::ReceiveIntensityData, this, &SERIAL_COMM::ReceiveIntensityData);
    connect(e, &ExchangeEngine::ReceiveParameters, this, &SERIAL_COMM::ReceiveParameters);
    connect(e, &ExchangeEngine::ReceiveAreasComplete, this, &SERIAL_COMM::ReceiveAreasComplete);
    connect(e, &ExchangeEngine::DirChangeSignals, this, &SERIAL_COMM::DirChangeSignals);
    connect(e, &ExchangeEngine::ProductInfoReceived, this, &SERIAL_COMM::ProductInfoReceived);
    connect(e, &ExchangeEngine::AreasNotRead, this, &SERIAL_COMM::AreasNotRead);
    connect(e, &ExchangeEngine::VerifyFinished, this, &SERIAL_COMM::VerifyFinished);
    connect(e, &ExchangeEngine::ProductInformationRead, this, &SERIAL_COMM::ProductInformationRead);
    connect(e, &ExchangeEngine::OtherModelFound, this, &SERIAL_COMM::askOtherModel);
    connect(e, &ExchangeEngine::LinkOpened, this, &SERIAL_COMM::LinkOpened);
    connect(e, &ExchangeEngine::LinkLost, this, &SERIAL_COMM::LinkLost);
}

// Nothing is written yet: the user decides whether a design for one model goes to a sensor of another.
void SERIAL_COMM::askOtherModel(int sensorModel, int designModel)
{
    auto name = [](int code) {
        const DeviceInfo *info = deviceInfo(code);
        return info ? QString::fromLatin1(info->extension + 1) : QString::number(code);
    };
    const int choice = Dialogs::ask(
        nullptr, Dialogs::Icon::Question, pick(language(), "Warning", "警告"),
        pick(language(),
             "The sensor is model %1 (code %2), but the design is for model %3 (code %4).\nWrite it anyway?",
             "传感器型号为%1（代码%2），但设计适用于型号%3（代码%4）。\n仍然写入吗？")
            .arg(name(sensorModel))
            .arg(sensorModel)
            .arg(name(designModel))
            .arg(designModel),
        {pick(language(), "Yes", "确定"), pick(language(), "No", "取消")}, 1);
    m_engine->ContinueWriteToOtherModel(choice == 0);
}

// A recording enters where the sensor's data does: every display follows either the same way, and
// each signal keeps its meaning (the ports' third value is the fault word, as the sensor sends it).
void SERIAL_COMM::ShowRecording(ScanPlayback *playback)
{
    connect(playback, &ScanPlayback::scanShown, this, &SERIAL_COMM::ReceiveScanfData);
    connect(playback, &ScanPlayback::scanShown, this, &SERIAL_COMM::ReceiveIntensityData);
    connect(playback, &ScanPlayback::selfCheckShown, this, &SERIAL_COMM::SelfCheckStatus);
    connect(playback, &ScanPlayback::portsShown, this, &SERIAL_COMM::IOPortSignals);
}

// The engine does more when these have a receiver (copies each frame; leaves the restart message to the
// receiver), so they are passed on once the adapter's own have one. Never undone: disconnectNotify may run
// with a lock held that the check for remaining receivers would take again.
void SERIAL_COMM::connectNotify(const QMetaMethod &signal)
{
    if (signal == QMetaMethod::fromSignal(&SERIAL_COMM::RebootAcknowledged) && !m_forwardReboot)
        m_forwardReboot =
            connect(m_engine, &ExchangeEngine::RebootAcknowledged, this, &SERIAL_COMM::RebootAcknowledged);
    if (signal == QMetaMethod::fromSignal(&SERIAL_COMM::FrameSent) && !m_forwardFrames)
        m_forwardFrames = connect(m_engine, &ExchangeEngine::FrameSent, this, &SERIAL_COMM::FrameSent);
}

SERIAL_COMM::~SERIAL_COMM()
{
    delete m_progress;
}

void SERIAL_COMM::AbandonExchange(const QString &why)
{
    m_engine->AbandonExchange(why);
    closeProgress();
}

void SERIAL_COMM::CancelSequence()
{
    if (m_engine->RunningSequence() == Sequence::None)
        closeProgress();
    else
        m_engine->CancelSequence(); // its end closes the progress
}

void SERIAL_COMM::WriteSensorAllDataSlots()
{
    if (m_engine->RunningSequence() != Sequence::None)
        return; // pressing again joins the running one
    const ExchangeEngine::FitReport fit = m_engine->CheckWriteFits();
    if (!fit.errors.isEmpty()) {
        Dialogs::ask(nullptr, Dialogs::Icon::Warning, pick(language(), "Warning", "警告"), fit.refusal);
        return;
    }
    if (!fit.warnings.isEmpty() &&
        Dialogs::ask(nullptr, Dialogs::Icon::Question, pick(language(), "Warning", "警告"), fit.question,
                     {pick(language(), "Yes", "确定"), pick(language(), "No", "取消")}, 1) != 0)
        return;
    m_engine->WriteSensorAllDataSlots();
}

// ---- Progress. ----

void SERIAL_COMM::closeProgress()
{
    m_progress->reset();
    m_progress->hide();
}

// The progress value pumps events in a modal dialog; the engine has settled its state before it reports.
void SERIAL_COMM::showProgress(ExchangeEngine::Sequence sequence, int done)
{
    switch (sequence) {
    case Sequence::WriteAll: m_progress->setWindowTitle(pick(language(), "Download Data", "下载数据")); break;
    case Sequence::Verify: m_progress->setWindowTitle(pick(language(), "Verify", "校验")); break;
    default: m_progress->setWindowTitle(pick(language(), "Upload Data", "上传数据")); break;
    }
    m_progress->setCancelButtonText(pick(language(), "Cancel", "取消"));
    if (QProgressBar *bar = m_progress->findChild<QProgressBar *>())
        bar->setFormat(pick(language(), "Area %v of %m", "区域 %v / %m"));
    if (!m_progress->isVisible()) {
        m_progress->setValue(0);
        m_progress->show();
    }
    m_progress->setValue(qBound(0, done, kAreaCount));
}

// ---- Messages. ----

// Shown after the engine's handler has returned, without a nested event loop.
void SERIAL_COMM::showMessage(ExchangeEngine::MessageKind kind, const QString &title, const QString &body)
{
    using Kind = ExchangeEngine::MessageKind;
    if (kind == Kind::RestartOffer) {
        const quint64 epoch = m_engine->ExchangeEpoch();
        const QString question =
            body + QLatin1Char('\n') + pick(language(), "Restart the sensor now?", "是否现在重启传感器？");
        const QStringList buttons{pick(language(), "Yes", "确定"), pick(language(), "No", "取消")};
        QTimer::singleShot(0, this, [=] {
            Dialogs::show(nullptr, Dialogs::Icon::Question, title, question, buttons,
                          [this, epoch](int answer) {
                              // A connection closed while the question was open must not leave a reboot
                              // behind.
                              if (answer == 0 && epoch == m_engine->ExchangeEpoch())
                                  m_engine->SensorRebootSlots();
                          });
        });
        return;
    }
    const Dialogs::Icon icon = kind == Kind::Warning ? Dialogs::Icon::Warning : Dialogs::Icon::Information;
    QTimer::singleShot(0, this, [=] { Dialogs::show(nullptr, icon, title, body); });
}
