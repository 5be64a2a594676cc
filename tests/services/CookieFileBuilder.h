#pragma once

// Builds small Cookies.binarycookies files in the layout Safari writes, so that tests can damage
// exactly one field. Header-only: other suites and the cookie benchmark use it too.

#include <QByteArray>
#include <QList>
#include <QtEndian>

#include <cstring>
#include <initializer_list>

namespace cookiefile {

struct Fields {
    QByteArray domain = "example.com";
    QByteArray name = "name";
    QByteArray path = "/";
    QByteArray value = "value";
    double expiry = 0;
    quint32 flags = 0;
};

inline void appendBigEndian32(QByteArray &bytes, quint32 value)
{
    bytes.append(4, '\0');
    qToBigEndian(value, bytes.data() + bytes.size() - 4);
}

template<typename Value> void appendLittleEndian(QByteArray &bytes, Value value)
{
    bytes.append(sizeof value, '\0');
    qToLittleEndian(value, bytes.data() + bytes.size() - sizeof value);
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
        {quint32(56 + strings.size()), 0u, fields.flags, 0u, offsets[0], offsets[1], offsets[2], offsets[3]})
        appendLittleEndian(bytes, word);
    bytes.append(8, '\0');
    quint64 expiry;
    std::memcpy(&expiry, &fields.expiry, sizeof expiry);
    appendLittleEndian(bytes, expiry);
    bytes.append(8, '\0'); // creation time, not read
    return bytes + strings;
}

inline QByteArray page(const QList<QByteArray> &records)
{
    QByteArray bytes("\x00\x00\x01\x00", 4);
    appendLittleEndian(bytes, quint32(records.size()));
    quint32 offset = quint32(8 + 4 * records.size() + 4);
    for (const QByteArray &record : records) {
        appendLittleEndian(bytes, offset);
        offset += quint32(record.size());
    }
    bytes.append(4, '\0');
    for (const QByteArray &record : records)
        bytes += record;
    return bytes;
}

inline QByteArray file(const QList<QByteArray> &pages, const QByteArray &trailer = {})
{
    QByteArray bytes("cook");
    appendBigEndian32(bytes, quint32(pages.size()));
    for (const QByteArray &page : pages)
        appendBigEndian32(bytes, quint32(page.size()));
    for (const QByteArray &page : pages)
        bytes += page;
    return bytes + trailer;
}

// One page holding these cookies, no trailer.
inline QByteArray cookiesFile(const QList<Fields> &cookies)
{
    QList<QByteArray> records;
    for (const Fields &fields : cookies)
        records.append(record(fields));
    return file(QList<QByteArray>{page(records)});
}

} // namespace cookiefile
