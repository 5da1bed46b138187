#pragma once
// Archives built byte by byte, independent of the writer under test.
#include <QByteArray>
#include <QList>

namespace archivebytes {

inline void put16(QByteArray& b, int v) {
    b.append(char(v & 0xff)).append(char(v >> 8 & 0xff));
}
inline void put32(QByteArray& b, qint64 v) {
    for (int i = 0; i < 4; ++i)
        b.append(char(v >> (8 * i) & 0xff));
}

inline quint32 byteSum(const QByteArray& data) {
    quint32 sum = 0;
    for (char c : data)
        sum += quint8(c);
    return sum;
}

struct Entry {
    QByteArray name;
    QByteArray packed;
    qint64 size = 0;
    int method = 0;
    quint32 checksum = 0;
    bool keyed = false;
    quint32 date = 0x5c210000; // 1 January 2026, midnight
    int attributes = 0x20;
    int nameLength = -1; // -1: the real length
};

inline Entry stored(const QByteArray& name, const QByteArray& data) {
    return {name, data, data.size(), 0, 0};
}

inline QByteArray mainHeader(const QByteArray& method, qint64 total, int type = 1,
                             bool keyed = false) {
    QByteArray h("SPIS\x1a", 5);
    h.append(method);
    put32(h, total);
    h.append(char(type));
    put32(h, 0);
    put32(h, keyed ? 1 : 0);
    return h;
}

inline QByteArray entryBytes(const Entry& e) {
    QByteArray b;
    put16(b, e.nameLength < 0 ? int(e.name.size()) : e.nameLength);
    put32(b, e.date);
    put16(b, e.attributes);
    put32(b, e.size);
    put32(b, e.packed.size());
    b.append(char(e.method));
    put32(b, e.checksum);
    put32(b, e.keyed ? 1 : 0);
    return b + e.name + e.packed;
}

// The header total is the sum of the entries' sizes unless given.
inline QByteArray archive(const QList<Entry>& entries, const QByteArray& method = "LZH",
                          qint64 total = -1) {
    qint64 sum = 0;
    QByteArray body;
    for (const Entry& e : entries) {
        sum += e.size;
        body += entryBytes(e);
    }
    return mainHeader(method, total < 0 ? sum : total) + body;
}

} // namespace archivebytes
