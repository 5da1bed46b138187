// The listora-print output module (see OutputModule.h). Everything else it
// uses comes from the program that loads it.
#include "cli/OutputModuleEntries.h"
#include "platform/Errors.h"
#include "platform/ui/QtPrinter.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <exception>
#include <memory>

namespace {

struct TOwnedPrinter {
    std::unique_ptr<QPrinter> owned;
};

// A queue printer that owns its QPrinter: the first base is built first
// and destroyed last, so the printer outlives the job that uses it.
class TQueuePrinter : private TOwnedPrinter, public TQtPrinter {
public:
    explicit TQueuePrinter(std::unique_ptr<QPrinter> printer)
        : TOwnedPrinter{std::move(printer)}, TQtPrinter(*owned) {}
};

} // namespace

extern "C" Q_DECL_EXPORT bool listoraAssemblePdf(const std::vector<QByteArray>& parts,
                                                 const TPdfNavigation& navigation,
                                                 const QString& target, QString& error) {
    try {
        AssemblePdf(parts, navigation, target);
        return true;
    } catch (const TListoraError& e) {
        error = e.message();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    return false;
}

extern "C" Q_DECL_EXPORT bool listoraQueueExists(const QString& queue, QStringList& known) {
    if (!QPrinterInfo::printerInfo(queue).isNull()) return true;
    known = QPrinterInfo::availablePrinterNames();
    return false;
}

extern "C" Q_DECL_EXPORT IPrinter* listoraOpenQueuePrinter(const QString& queue) {
    auto printer =
        std::make_unique<QPrinter>(QPrinterInfo::printerInfo(queue), QPrinter::HighResolution);
    useQueueColourMode(*printer);
    return new TQueuePrinter(std::move(printer));
}
