#include "app/about.h"

#include "ui_about.h"

#include <QPixmap>

About::About(QWidget *parent) : QDialog(parent), m_ui(new Ui::About)
{
    m_ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_QuitOnClose, false); // the main window decides when the program ends
    m_ui->label_logo->setPixmap(QPixmap(":images/radar"));
    m_ui->NoteMessage->setEnabled(true);
    connect(m_ui->Button_Close, &QPushButton::clicked, this, &QWidget::close);
}

About::~About()
{
    delete m_ui;
}

void About::LanguageDisplayChinese()
{
    applyTexts(false);
}

void About::LanguageDisplayEnglish()
{
    applyTexts(true);
}

void About::applyTexts(bool english)
{
    auto t = [english](const char *en, const char *cn) { return QString::fromUtf8(english ? en : cn); };
    setWindowTitle(t("About", "关于"));
    m_ui->label_Title->setText(QStringLiteral("Veltrin"));
    m_ui->label_Ver->setText(t("Version: 1.5.2", "软件版本: 1.5.2"));
    m_ui->label_Data->setText(t("Date: 2024-08-21", "开发日期: 2024-08-21"));
    m_ui->label_License->setText(t("License: GNU GPL 3.0 or later", "许可证: GNU GPL 3.0 或更高版本"));
    m_ui->ReleaseNotes->setTitle(t("Release Notes", "版本信息"));
    m_ui->Button_Close->setText(QString::fromUtf8("关闭"));
    m_ui->NoteMessage->clear();
}
