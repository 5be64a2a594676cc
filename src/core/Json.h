#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace tolvane {

/// The object a JSON text holds; none when the text is not valid JSON or its top level is no object.
std::optional<QJsonObject> parseJsonObject(const QByteArray &json);

/// The whole text as a decimal integer with at most one leading sign; none for anything else
/// (spaces, other digits, a fraction) and beyond the range of qint64.
std::optional<qint64> parseDecimalInteger(QStringView text);

/// A JSON value as an integer, as services and tools write them: an integral number as it is, any
/// other finite number truncated toward zero, a string holding a decimal integer. None for anything
/// else, and for numbers beyond the range of qint64.
std::optional<qint64> jsonInteger(const QJsonValue &value);

// Writing. Output is written directly rather than through QJsonDocument, whose object building
// dominates large listings and whose indented form uses four spaces.

/// Appends `text` as a JSON string literal in UTF-8, quotes included.
void appendJsonString(QByteArray &out, QStringView text);
/// The same for text already in valid UTF-8, escaped on its bytes without decoding.
void appendJsonUtf8(QByteArray &out, QByteArrayView utf8);
/// A JSON string literal for `text`, quotes included; `null` for absent text.
QString jsonString(const QString &text);
QString jsonString(const std::optional<QString> &text);

/// JSON text in the one style every command prints: one member or element per line, indented by
/// two spaces, empty objects and arrays as {} and [], a newline at the end.
class JsonWriter {
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    /// The name of the object member whose value comes next.
    void key(QStringView name);

    void value(QStringView text);
    void value(const QString &text) { value(QStringView(text)); }
    void value(const char16_t *text) { value(QStringView(text)); }
    void value(const std::optional<QString> &text);
    /// A string given in valid UTF-8, written from its bytes without decoding.
    void valueUtf8(QByteArrayView utf8);
    void value(std::optional<qint64> number);
    void value(int number) { value(std::optional<qint64>(number)); }
    void value(bool flag);
    void null();

    /// The text written so far, ended by a newline once the outermost value is complete.
    QByteArray take();
    /// The text written since the start or the last `drop`, for printing a long listing while it is
    /// written, and forgetting it; the writer keeps its place.
    QByteArrayView pending() const { return {m_out.constData(), m_size}; }
    void drop() { m_size = 0; }
    void reserve(qsizetype bytes);

private:
    /// Room for `count` more bytes at the end of what is written, to be taken by `wrote`.
    char *room(qsizetype count);
    void wrote(const char *end);
    void write(QByteArrayView text);
    template<typename Text> void literal(Text text);
    void beginValue();
    void open(char bracket);
    void close(char bracket);

    QByteArray m_out; // what is written, then spare room: its first m_size bytes count
    qsizetype m_size = 0;
    QList<int> m_counts; // values written so far in each open object or array
    bool m_afterKey = false;
    bool m_begun = false; // a value was written since the last take()
};

} // namespace tolvane
