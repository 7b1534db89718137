#include "app/create.h"

#include "comm/discovery.h"
#include "comm/port_list.h"
#include "ui_create.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

namespace {
constexpr int kSerialTab = 0;
}

Create::Create(QWidget *parent) : QDialog(parent), m_ui(new Ui::Create)
{
    m_ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    // The user chooses through the buttons: no close, minimise or maximise in the title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setAttribute(Qt::WA_QuitOnClose, false); // the main window decides when the program ends

    m_discovery = new SensorDiscovery(m_ui->comboBox_Ethernet, this);
    connect(m_discovery, &SensorDiscovery::OpenEthernetMode, this, &Create::OpenEthernetMode);

    connect(m_ui->Button_Create, &QPushButton::clicked, this, &Create::CreateNewProject);
    connect(m_ui->Button_Open, &QPushButton::clicked, this, &Create::OpenProjectFile);
    connect(m_ui->Button_Connect, &QPushButton::clicked, this, &Create::ConnectToLaserSensor);
    connect(m_ui->Button_Quit, &QPushButton::clicked, this, &Create::QuitButton);
    // The dialog is modal: the window's Language menu cannot be reached while it is up.
    connect(m_ui->Button_Language, &QPushButton::clicked, this, [this] {
        emit LanguageSignal(m_language == Language::English ? Language::Chinese : Language::English);
    });
    connect(m_ui->Button_Refresh, &QPushButton::clicked, this, &Create::UpdateSerialPortSetting);
    connect(m_ui->Button_Refresh_ETH, &QPushButton::clicked, this, &Create::UpdateEthernetSetting);

    connect(m_ui->RecentProjectsList, &QListWidget::itemActivated, this, &Create::openRecent);
    // Enter on the list opens the file and nothing else: left to the list, it would also press the
    // dialog's default button (Connect).
    m_ui->RecentProjectsList->installEventFilter(this);
    setRecentProjects({});

    UpdateSerialPortSetting();
    UpdateEthernetSetting();
    m_ui->comboBox_Ethernet->setEditable(true);
}

Create::~Create()
{
    delete m_ui;
}

DEVICETYPE Create::deviceTypeOf(int modelIndex)
{
    return modelIndex == 1 ? Laser50 : Laser30;
}

void Create::emitDeviceType()
{
    // The receiver copies the value before this returns.
    DEVICETYPE code = deviceTypeOf(m_ui->LaserSensorType->currentIndex());
    emit CreateSignal(&code);
}

void Create::CreateNewProject()
{
    emitDeviceType();
    emit CreateInterface(m_ui->ConnecttabWidget->currentIndex());
    DelteclientSocket();
    hide();
}

void Create::OpenProjectFile()
{
    emit OpenProjectSignal();
    DelteclientSocket();
    hide();
}

void Create::setRecentProjects(const QStringList &files)
{
    QListWidget *list = m_ui->RecentProjectsList;
    list->clear();
    for (const QString &file : files) {
        auto *item = new QListWidgetItem(QFileInfo(file).fileName(), list);
        item->setData(Qt::UserRole, file);
        item->setToolTip(QDir::toNativeSeparators(file));
    }
    list->setVisible(!files.isEmpty());
}

bool Create::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->RecentProjectsList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openRecent(m_ui->RecentProjectsList->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Create::openRecent(QListWidgetItem *item)
{
    if (!item)
        return;
    // Hidden first: a file that cannot be opened brings the dialog back.
    DelteclientSocket();
    hide();
    emit OpenRecentSignal(item->data(Qt::UserRole).toString());
}

void Create::ConnectToLaserSensor()
{
    // The model first: the zoom range fits it even when the connection fails.
    emitDeviceType();
    if (m_ui->ConnecttabWidget->currentIndex() == kSerialTab)
        emit OpenSerialSignal(m_ui->comboBox_Serial->currentText());
    else if (acceptIPv4Address(this, m_ui->comboBox_Ethernet->currentText(), m_language))
        emit OpenEthernetSignal(m_ui->comboBox_Ethernet->currentText().trimmed());
    else
        return; // stays open for a corrected address
    DelteclientSocket();
    hide();
}

void Create::QuitButton()
{
    emit QuitSignal();
    DelteclientSocket();
    close();
}

void Create::reject()
{
    DelteclientSocket();
    QDialog::reject();
}

void Create::UpdateSerialPortSetting()
{
    PortList::fill(m_ui->comboBox_Serial, m_language);
}

void Create::UpdateEthernetSetting()
{
    m_discovery->search();
}

void Create::ReadEthernetReceiveData()
{
    m_discovery->readAnswers();
}

void Create::DelteclientSocket()
{
    m_discovery->deleteSockets();
}

void Create::LanguageDisplayChinese()
{
    applyTexts(Language::Chinese);
}

void Create::LanguageDisplayEnglish()
{
    applyTexts(Language::English);
}

void Create::applyTexts(Language language)
{
    m_language = language;
    setWindowTitle(pick(language, "Welcome to Veltrin", "欢迎使用Veltrin"));
    m_ui->Button_Create->setText(pick(language, "Create", "创建"));
    m_ui->Button_Open->setText(pick(language, "Open", "打开"));
    m_ui->Button_Connect->setText(pick(language, "Connect", "连接"));
    m_ui->label_OpenProject->setText(pick(language, "Open Project file", "打开工程文件"));
    m_ui->RecentProjectsList->setToolTip(
        pick(language, "Recent projects: double-click to open", "最近的工程：双击打开"));
    m_ui->ConnecttabWidget->setTabText(0, pick(language, "Serial", "串口"));
    m_ui->ConnecttabWidget->setTabText(1, pick(language, "Ethernet", "以太网"));
    m_ui->Button_Quit->setText(pick(language, "Quit", "退出"));
    // Names the other language, in that language, so a reader of either finds it.
    m_ui->Button_Language->setText(pick(language, "中文", "English"));
}
