#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

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

/// The index of the first UTF-16 unit of U+0800 or above at `from` or later, or -1. Text below it
/// (Latin, Greek, Cyrillic, Hebrew, Arabic) has no surrogates and no scripts with special
/// segmentation, so long pages of it are passed over eight bytes at a time.
qsizetype indexOfWideUnit(QStringView text, qsizetype from = 0);

/// The first `count` user-perceived characters of `text`: never half an accented letter or emoji.
QString leftGraphemes(const QString &text, qsizetype count);

} // namespace tolvane
