#pragma once

// Builds small Cookies.binarycookies files in the layout Safari writes, so that tests can damage
// exactly one field. Header-only: other suites and the cookie benchmark use it too.

#include <QByteArray>
#include <QList>
#include <QtEndian>

#include <bit>
#include <initializer_list>

namespace cookiefile {

struct Fields {
    QByteArray domain = "example.com", name = "name", path = "/", value = "value";
    double expiry = 0;
    quint32 flags = 0;
};

template<typename Value> QByteArray &append(QByteArray &bytes, Value value, bool bigEndian = false)
{
    bytes.append(sizeof value, '\0');
    bigEndian ? qToBigEndian(value, bytes.end() - sizeof value) : qToLittleEndian(value, bytes.end() - sizeof value);
    return bytes;
}

inline void setLittleEndian32(QByteArray &bytes, qsizetype at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

// Field offsets inside a record, for tests that damage one of them.
enum RecordField {
    recordSize = 0,
    flagsField = 8,
    domainOffset = 16,
    nameOffset = 20,
    pathOffset = 24,
    valueOffset = 28
};

// A 56-byte header, then the strings, each closed by a zero byte. `order` lists the string fields
// (by their offset field) in the order they are stored; Safari stores domain, name, path, value.
inline QByteArray record(const Fields &fields,
    std::initializer_list<RecordField> order = {domainOffset, nameOffset, pathOffset, valueOffset})
{
    const QByteArray *texts[] = {&fields.domain, &fields.name, &fields.path, &fields.value};
    QByteArray strings;
    quint32 offsets[4] = {};
    for (RecordField field : order) {
        offsets[(field - domainOffset) / 4] = quint32(56 + strings.size());
        strings += *texts[(field - domainOffset) / 4] + '\0';
    }
    QByteArray bytes;
    for (quint32 word :
        {quint32(56 + strings.size()), 0u, fields.flags, 0u, offsets[0], offsets[1], offsets[2], offsets[3], 0u, 0u})
        append(bytes, word);
    append(bytes, std::bit_cast<quint64>(fields.expiry));
    return bytes.append(8, '\0') + strings; // the creation time is not read
}

inline QByteArray page(const QList<QByteArray> &records)
{
    QByteArray bytes("\x00\x00\x01\x00", 4), body;
    append(bytes, quint32(records.size()));
    for (const QByteArray &record : records) {
        append(bytes, quint32(8 + 4 * records.size() + 4 + body.size()));
        body += record;
    }
    return append(bytes, 0u) + body;
}

inline QByteArray file(const QList<QByteArray> &pages, const QByteArray &trailer = {})
{
    QByteArray bytes("cook");
    append(bytes, quint32(pages.size()), true);
    for (const QByteArray &page : pages)
        append(bytes, quint32(page.size()), true);
    return bytes + pages.join() + trailer;
}

// One page holding these cookies, no trailer.
inline QByteArray cookiesFile(const QList<Fields> &cookies)
{
    QList<QByteArray> records;
    for (const Fields &fields : cookies)
        records.append(record(fields));
    return file({page(records)});
}

} // namespace cookiefile
