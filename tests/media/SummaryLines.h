#pragma once

#include "library/Records.h"

#include <QStringList>

/// A summary as "key: value" lines, the way the command line prints it.
inline QStringList summaryLines(const QList<tolvane::MediaInfoRow> &rows)
{
    QStringList lines;
    for (const tolvane::MediaInfoRow &row : rows)
        lines.append(row.key + QStringLiteral(": ") + row.value);
    return lines;
}

/// Whether the rows come in the order a summary lists its keys, none twice.
inline bool inSummaryOrder(const QList<tolvane::MediaInfoRow> &rows)
{
    static const QStringList order{u"Probe"_qs, u"File size"_qs, u"Container"_qs, u"Duration"_qs, u"Overall bitrate"_qs,
        u"Video"_qs, u"Resolution"_qs, u"Frame rate"_qs, u"Video bitrate"_qs, u"Video codec"_qs, u"Bit depth"_qs,
        u"HDR"_qs, u"Pixel format"_qs, u"Audio tracks"_qs, u"Audio bitrate"_qs, u"Audio codec"_qs, u"Sample rate"_qs,
        u"Channels"_qs, u"Audio language"_qs, u"Audio list"_qs};
    qsizetype previous = -1;
    for (const tolvane::MediaInfoRow &row : rows) {
        const qsizetype position = order.indexOf(row.key);
        if (position <= previous)
            return false;
        previous = position;
    }
    return true;
}
