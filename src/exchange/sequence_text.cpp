#include "exchange/sequence_text.h"

#include <QStringList>

QString areaSpan(int first, int last)
{
    return first == last ? QString::number(first) : QStringLiteral("%1–%2").arg(first).arg(last);
}

// Areas go first, then the case channels, then the parameters; a verify after a write reads them back
// in the same order.
QString sequenceDoneText(const ExchangeEngine::Result &result, Language language)
{
    const int firstMissing = result.areasNotDone.isEmpty() ? kAreaCount : result.areasNotDone.first();
    QStringList done, missing;
    if (firstMissing > 0)
        done << (firstMissing == 1 ? pick(language, "area 0", "区域0")
                                   : pick(language, "areas %1", "区域%1").arg(areaSpan(0, firstMissing - 1)));
    if (firstMissing < kAreaCount)
        missing << pick(language, "areas %1", "区域%1").arg(areaSpan(firstMissing, kAreaCount - 1));
    (result.casesDone ? done : missing) << pick(language, "case channels", "工况通道");
    (result.parametersDone ? done : missing) << pick(language, "parameters", "参数");
    auto list = [language](const QStringList &parts) {
        if (language == Language::Chinese || parts.size() < 2)
            return parts.join(QStringLiteral("、"));
        return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
               parts.last();
    };
    const bool write = result.sequence == ExchangeEngine::Sequence::WriteAll;
    QStringList said;
    if (result.afterWrite)
        said << pick(language, "all written, read-back unfinished", "已全部写入，回读未完成");
    if (!done.isEmpty())
        said << (write ? pick(language, "%1 written", "%1已写入") : pick(language, "%1 read", "%1已读取"))
                    .arg(list(done));
    if (!missing.isEmpty())
        said << (write ? pick(language, "%1 not written", "%1未写入")
                       : pick(language, "%1 not read", "%1未读取"))
                    .arg(list(missing));
    if (write && done.isEmpty())
        said = QStringList{pick(language, "nothing written", "未写入任何数据")};
    return said.join(pick(language, "; ", "；"));
}
