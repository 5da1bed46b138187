#include "SourceTestSupport.h"

#include "common/TestSupport.h"

QString TScratch::write(const QString& relative, const QByteArray& bytes) const {
    const QString full = path(relative);
    testsupport::writeFile(full, bytes);
    return full;
}

QByteArray crlf(const QStringList& lines) {
    QByteArray out;
    for (const QString& line : lines)
        out += line.toUtf8() + "\r\n";
    return out;
}
