#include "SourceTestSupport.h"

#include "common/TestSupport.h"

QString TScratch::write(const QString& relative, const QByteArray& bytes) const {
    testsupport::writeFile(path(relative), bytes);
    return path(relative);
}

QByteArray crlf(const QStringList& lines) {
    return (lines.join("\r\n") + "\r\n").toUtf8();
}
