#pragma once
// A saved query's file set as one fuzz input: for each file in order (the index, the nine
// data files, then what an interrupted save leaves: its journal, a moved-aside index and data
// file, a new data file not yet in place), a 4-byte little-endian length and that many bytes.
// A short input names fewer files; the rest are absent.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QtEndian>
#include <cstring>

namespace lorvane::fuzz {

inline const QStringList& fileSetSuffixes() {
    static const QStringList s{".vln",           "rsWhere.dat",  "rsGroupBy.dat",   "rsOrderBy.dat",
                               "rsCalcFields.dat", "rsQueryValues.dat", "rsJoins.dat", "rsJoinTable.dat",
                               "rsJoinTablesUsed.dat", "rsAlias.dat", ".vln.journal", ".vln.replaced",
                               "rsWhere.dat.replaced", "rsGroupBy.dat.saving"};
    return s;
}

inline QList<QByteArray> unpack(const char* data, qsizetype size) {
    QList<QByteArray> files;
    qsizetype at = 0;
    while (files.size() < fileSetSuffixes().size() && size - at >= 4) {
        quint32 length = 0;
        std::memcpy(&length, data + at, 4);
        length = qFromLittleEndian(length);
        at += 4;
        const qsizetype n = std::min<qsizetype>(length, size - at);
        files << QByteArray(data + at, n);
        at += n;
    }
    return files;
}

inline QByteArray pack(const QList<QByteArray>& files) {
    QByteArray out;
    for (const QByteArray& f : files) {
        const quint32 length = qToLittleEndian(static_cast<quint32>(f.size()));
        out.append(reinterpret_cast<const char*>(&length), 4);
        out.append(f);
    }
    return out;
}

}  // namespace lorvane::fuzz
