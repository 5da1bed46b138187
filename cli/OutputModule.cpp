#include "cli/OutputModule.h"

#include "cli/OutputModuleEntries.h"
#include "platform/Errors.h"
#include "platform/Printer.h"
#include "render/PdfAssembly.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace {

// The module beside the program (the build tree) or where it is installed.
QLibrary& outputModule() {
    static QLibrary library;
    if (library.isLoaded()) return library;
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString name = QStringLiteral("listora-print-output.so");
    for (const QString& path :
         {bin.filePath(name), bin.filePath(QStringLiteral("../lib/listora/") + name)}) {
        if (!QFileInfo::exists(path)) continue;
        library.setFileName(path);
        if (library.load()) return library;
        throw TListoraError(QStringLiteral("cannot load %1: %2").arg(path, library.errorString()));
    }
    throw TListoraError(QStringLiteral("cannot find %1 beside %2 or in ../lib/listora")
                            .arg(name, QDir::toNativeSeparators(bin.path())));
}

template <class Fn> Fn entry(const char* name) {
    auto fn = reinterpret_cast<Fn>(outputModule().resolve(name));
    if (!fn)
        throw TListoraError(
            QStringLiteral("%1 lacks %2").arg(outputModule().fileName(), QLatin1String(name)));
    return fn;
}

} // namespace

bool QueueExists(const QString& queue, QStringList& known) {
    return entry<TQueueExistsEntry>(kQueueExistsEntry)(queue, known);
}

std::unique_ptr<IPrinter> OpenQueuePrinter(const QString& queue) {
    return std::unique_ptr<IPrinter>(entry<TOpenQueueEntry>(kOpenQueueEntry)(queue));
}

void AssemblePdf(const std::vector<QByteArray>& parts, const TPdfNavigation& navigation,
                 const QString& target) {
    QString error;
    if (!entry<TAssembleEntry>(kAssembleEntry)(parts, navigation, target, error))
        throw TListoraError(error);
}

void JoinPdfs(const std::vector<QByteArray>& parts, const QString& target) {
    AssemblePdf(parts, TPdfNavigation{}, target);
}
