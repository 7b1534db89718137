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
    applyTexts(Language::Chinese);
}

void About::LanguageDisplayEnglish()
{
    applyTexts(Language::English);
}

void About::applyTexts(Language language)
{
    setWindowTitle(pick(language, "About", "关于"));
    m_ui->label_Title->setText(QStringLiteral("Veltrin"));
    m_ui->label_Ver->setText(pick(language, "Version: 1.5.2", "软件版本: 1.5.2"));
    m_ui->label_Data->setText(pick(language, "Date: 2024-08-21", "开发日期: 2024-08-21"));
    m_ui->label_License->setText(
        pick(language, "License: GNU GPL 3.0 or later", "许可证: GNU GPL 3.0 或更高版本"));
    m_ui->ReleaseNotes->setTitle(pick(language, "Release Notes", "版本信息"));
    m_ui->Button_Close->setText(QString::fromUtf8("关闭"));
    m_ui->NoteMessage->clear();
}
