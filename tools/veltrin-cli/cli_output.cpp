#include "cli_output.h"

#include <QJsonDocument>
#include <QSocketNotifier>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
bool g_json = false;
bool g_jsonPrinted = false;
QStringList g_errors;
int g_interruptPipe[2] = {-1, -1};

void onSigint(int)
{
    const char byte = 1;
    ssize_t written = ::write(g_interruptPipe[0], &byte, 1);
    (void)written;
    std::signal(SIGINT, SIG_DFL); // the next Ctrl-C is not waited for
}
} // namespace

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    fflush(stdout);
}

void printErr(const QString &text)
{
    static const QString prefix = QStringLiteral("veltrin-cli: ");
    if (text.startsWith(prefix))
        g_errors << text.mid(prefix.size()).trimmed();
    const QByteArray bytes = text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    fflush(stderr);
}

void setJsonOutput(bool json)
{
    g_json = json;
}

int finishJson(int code)
{
    if (g_json && !g_jsonPrinted)
        printJson(QJsonObject{{"error", g_errors.join(QLatin1Char('\n'))}, {"exitCode", code}});
    return code;
}

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : m_onInterrupt(std::move(onInterrupt))
{
    if (g_interruptPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_interruptPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_interruptPipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        while (::recv(g_interruptPipe[1], &byte, 1, MSG_DONTWAIT) > 0) {
        }
        if (m_interrupted)
            return;
        m_interrupted = true;
        m_onInterrupt();
    });
    std::signal(SIGINT, onSigint);
}

InterruptWatch::~InterruptWatch()
{
    std::signal(SIGINT, SIG_DFL);
}

void printJson(const QJsonObject &object)
{
    g_jsonPrinted = true;
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
