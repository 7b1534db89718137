#include "app/connection_status.h"

#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

ConnectionStatus::ConnectionStatus(QLabel *peerLabel, QWidget *parent)
    : QWidget(parent), m_word(new QLabel(this)), m_peer(peerLabel), m_cancel(new QPushButton(this))
{
    setObjectName(QStringLiteral("ConnectionStatus"));
    m_word->setObjectName(QStringLiteral("ConnectionState"));
    m_word->setAlignment(Qt::AlignCenter);
    m_word->setMargin(2);
    m_cancel->setObjectName(QStringLiteral("RestartCancel"));
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, &ConnectionStatus::CancelRequested);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(m_word);
    row->addWidget(m_peer);
    row->addWidget(m_cancel);
    refresh();
}

QColor ConnectionStatus::colour(State state)
{
    switch (state) {
    case State::Connecting: return QColor(21, 101, 192); // blue: on the way
    case State::Connected: return QColor(46, 125, 50);   // green: talking to a sensor
    case State::Restarting: return QColor(106, 27, 154); // violet: expected to come back
    case State::Lost: return QColor(198, 40, 40);        // red: it went away
    case State::Closed: break;
    }
    return QColor(117, 117, 117); // grey: nothing open
}

void ConnectionStatus::setState(State state, const QString &why)
{
    const bool changed = state != m_state;
    m_state = state;
    m_word->setToolTip(why);
    refresh();
    if (changed)
        emit StateChanged(state);
}

void ConnectionStatus::setCountdown(int seconds)
{
    m_countdown = seconds;
    refresh();
}

void ConnectionStatus::setLanguage(Language language)
{
    m_language = language;
    refresh();
}

void ConnectionStatus::refresh()
{
    QString word;
    switch (m_state) {
    case State::Closed: word = pick(m_language, "Disconnected", "未连接"); break;
    case State::Connecting: word = pick(m_language, "Connecting…", "正在连接…"); break;
    case State::Connected: word = pick(m_language, "Connected", "已连接"); break;
    case State::Restarting:
        word = pick(m_language, "Restarting, %1 s", "正在重启，%1 秒").arg(m_countdown);
        break;
    case State::Lost: word = pick(m_language, "Connection lost", "连接已断开"); break;
    }
    m_word->setText(QStringLiteral(" %1 ").arg(word));
    m_word->setStyleSheet(QStringLiteral("QLabel { background: %1; color: white; font-weight: bold; "
                                         "border-radius: 3px; }")
                              .arg(colour(m_state).name()));
    m_cancel->setText(pick(m_language, "Cancel", "取消"));
    m_cancel->setVisible(m_state == State::Restarting);
}
