#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tolvane {

/// `bytes` as UTF-8 text; absent when they are not valid UTF-8.
std::optional<QString> strictUtf8(QByteArrayView bytes);

/// The number of user-perceived characters (grapheme clusters) in `text`.
qsizetype graphemeCount(const QString &text);

/// The first `count` user-perceived characters of `text`: never half an accented letter or emoji.
QString leftGraphemes(const QString &text, qsizetype count);

} // namespace tolvane
