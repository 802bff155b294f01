#pragma once

// How GoogleTest shows the Qt values that tests compare, so that a failure reads
// "QSize(877, 685)" and not a dump of bytes. Qt's types live in the global namespace, and so
// must these overloads for GoogleTest to find them.

#include <QPoint>
#include <QSize>
#include <QString>

#include <ostream>

inline void PrintTo(const QString& str, std::ostream* pOs)
{
    *pOs << '"' << str.toStdString() << '"';
}

inline void PrintTo(const QSize& sz, std::ostream* pOs)
{
    *pOs << "QSize(" << sz.width() << ", " << sz.height() << ')';
}

inline void PrintTo(const QPoint& pt, std::ostream* pOs)
{
    *pOs << "QPoint(" << pt.x() << ", " << pt.y() << ')';
}
