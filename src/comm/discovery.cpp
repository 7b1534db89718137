#include "comm/discovery.h"

#include "area/dialogs.h"

#include <QComboBox>

SensorDiscovery::SensorDiscovery(QComboBox *addressList, QObject *parent)
    : SensorSearch(parent), m_list(addressList)
{
    if (!m_list)
        return;
    connect(this, &SensorSearch::searchStarted, m_list, &QComboBox::clear);
    connect(this, &SensorSearch::sensorFound, m_list, [this](const QString &address) {
        if (m_list->findText(address, Qt::MatchExactly) < 0)
            m_list->addItem(address);
    });
}

bool acceptIPv4Address(QWidget *parent, const QString &text, Language language)
{
    if (isIPv4Address(text))
        return true;
    const QString body = pick(language,
                              "\"%1\" is not an IPv4 address. Enter four numbers from 0 to 255 "
                              "separated by dots, such as 192.168.1.100.",
                              "“%1”不是IPv4地址。请输入以点分隔的四个0到255之间的数字，"
                              "例如 192.168.1.100。");
    Dialogs::ask(parent, Dialogs::Icon::Warning, pick(language, "Error", "错误"), body.arg(text.trimmed()));
    return false;
}
