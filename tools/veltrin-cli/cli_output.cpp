#include "cli_output.h"

#include <QJsonDocument>
#include <cstdio>
#include <unistd.h>

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    fflush(stdout);
}

void printErr(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    fflush(stderr);
}

void printJson(const QJsonObject &object)
{
    printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
}

Progress::Progress() : m_terminal(stderrIsTerminal()) {}

Progress::~Progress()
{
    clear();
}

bool Progress::stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

void Progress::update(const QString &label, const QString &what, int done, int total)
{
    if (!m_terminal) {
        const QString stage = label + QLatin1String(": ") + what;
        if (!m_started.contains(stage)) {
            m_started.insert(stage);
            printErr(QString("%1 ...\n").arg(stage));
        }
        if (done >= total && !m_finished.contains(stage)) {
            m_finished.insert(stage);
            printErr(QString("%1 %2/%3\n").arg(stage).arg(done).arg(total));
        }
        return;
    }
    // Redrawing for every step of 64 sensors would flood a slow terminal.
    if (m_drawn && m_redraw.isValid() && m_redraw.elapsed() < 50 && done != total)
        return;
    m_redraw.start();
    constexpr int kWidth = 30;
    const int filled = total > 0 ? kWidth * done / total : 0;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(kWidth - filled, QLatin1Char('.'));
    printErr(QString("\r\033[K%1 [%2] %3 %4/%5").arg(label, bar, what).arg(done).arg(total));
    m_drawn = true;
}

void Progress::clear()
{
    if (m_terminal && m_drawn)
        printErr(QStringLiteral("\r\033[K"));
    m_drawn = false;
}
