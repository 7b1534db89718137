#include "app/app_settings_dialog.h"

#include "area/store/device_type.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {
// Stored values of connect/unsavedDesign, in the order of the list.
const char *const kUnsavedChoices[] = {"ask", "load", "keep"};
// The models offered for a new project, as the File › New menu offers them.
const int kModels[] = {Laser30, Laser50};
} // namespace

AppSettingsDialog::AppSettingsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AppSettingsDialog"));
    LanguageLabel = new QLabel;
    UnsavedDesignLabel = new QLabel;
    DefaultModelLabel = new QLabel;
    LanguageBox = new QComboBox;
    LanguageBox->setObjectName(QStringLiteral("AppLanguage"));
    // Each language named in itself, as in the Language menu.
    LanguageBox->addItems({QStringLiteral("English"), QStringLiteral("简体中文")});
    UnsavedDesign = new QComboBox;
    UnsavedDesign->setObjectName(QStringLiteral("AppUnsavedDesign"));
    UnsavedDesign->addItems({QString(), QString(), QString()});
    DefaultModel = new QComboBox;
    DefaultModel->setObjectName(QStringLiteral("AppDefaultModel"));
    DefaultModel->addItems({QStringLiteral("VKT-30xx"), QStringLiteral("VKT-50xx")});
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    auto *form = new QFormLayout;
    form->addRow(LanguageLabel, LanguageBox);
    form->addRow(UnsavedDesignLabel, UnsavedDesign);
    form->addRow(DefaultModelLabel, DefaultModel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Buttons);

    connect(Buttons, &QDialogButtonBox::accepted, this, [this] {
        store();
        accept();
        emit SettingsApplied();
    });
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setLanguage(Language::Chinese);
}

int AppSettingsDialog::defaultModel()
{
    const int code = QSettings("Trevalor", "Parameters").value(kDefaultModelKey, kDefaultDeviceType).toInt();
    return code == Laser50 ? Laser50 : Laser30;
}

Language AppSettingsDialog::chosenLanguage() const
{
    return LanguageBox->currentIndex() == 0 ? Language::English : Language::Chinese;
}

void AppSettingsDialog::load(Language language)
{
    LanguageBox->setCurrentIndex(language == Language::English ? 0 : 1);
    const QString unsaved =
        QSettings("Trevalor", "Parameters").value(kUnsavedDesignKey, QStringLiteral("ask")).toString();
    UnsavedDesign->setCurrentIndex(0);
    for (int i = 0; i < 3; ++i)
        if (unsaved == QLatin1String(kUnsavedChoices[i]))
            UnsavedDesign->setCurrentIndex(i);
    DefaultModel->setCurrentIndex(defaultModel() == kModels[1] ? 1 : 0);
}

void AppSettingsDialog::store()
{
    QSettings s("Trevalor", "Parameters");
    s.setValue(QStringLiteral("Language"), chosenLanguage() == Language::English ? 1 : 0);
    s.setValue(kUnsavedDesignKey,
               QString::fromLatin1(kUnsavedChoices[qBound(0, UnsavedDesign->currentIndex(), 2)]));
    s.setValue(kDefaultModelKey, kModels[qBound(0, DefaultModel->currentIndex(), 1)]);
}

void AppSettingsDialog::setLanguage(Language language)
{
    setWindowTitle(pick(language, "App Settings", "应用设置"));
    LanguageLabel->setText(pick(language, "Language", "语言"));
    UnsavedDesignLabel->setText(
        pick(language, "On connecting, with an unsaved or opened project", "连接时，若项目未保存或来自文件"));
    UnsavedDesign->setItemText(0, pick(language, "Ask each time", "每次询问"));
    UnsavedDesign->setItemText(
        1, pick(language, "Load the sensor's areas into the project", "将传感器的区域载入项目"));
    UnsavedDesign->setItemText(2, pick(language, "Keep the project (read the sensor's parameters only)",
                                       "保留项目（只读取传感器参数）"));
    DefaultModelLabel->setText(pick(language, "Model of a new project", "新建工程的型号"));
    Buttons->button(QDialogButtonBox::Ok)->setText(pick(language, "OK", "确定"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(pick(language, "Cancel", "取消"));
}
