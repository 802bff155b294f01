#include "sim_log.h"

#include <QTime>

#include <cstdio>

namespace ostrel::dvrsim {

void SimLog(const QString& strWho, const QString& strText)
{
    const QByteArray line = (QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) + QLatin1Char(' ')
                             + (strWho.isEmpty() ? QString() : QLatin1Char('[') + strWho + QStringLiteral("] "))
                             + strText + QLatin1Char('\n'))
                                .toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace ostrel::dvrsim
