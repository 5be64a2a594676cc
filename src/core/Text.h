#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tolvane {

/// `bytes` as UTF-8 text; absent when they are not valid UTF-8.
std::optional<QString> strictUtf8(QByteArrayView bytes);

/// `text` safe to write to a terminal: control characters (C0, DEL, C1), and the bidirectional
/// and zero-width format characters that would disguise it, written as escapes such as "\e", "\n"
/// or "\u202E". Everything else as it is.
QString terminalSafe(const QString &text);

/// The number of user-perceived characters (grapheme clusters) in `text`.
qsizetype graphemeCount(const QString &text);

/// The first `count` user-perceived characters of `text`: never half an accented letter or emoji.
QString leftGraphemes(const QString &text, qsizetype count);

} // namespace tolvane
