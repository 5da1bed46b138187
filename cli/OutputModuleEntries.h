#pragma once
// The entries of the listora-print output module (see OutputModule.h),
// looked up by name when it is loaded.
#include "render/PdfAssembly.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class IPrinter;

// AssemblePdf; false with the reason in error when it fails.
using TAssembleEntry = bool (*)(const std::vector<QByteArray>& parts,
                                const TPdfNavigation& navigation, const QString& target,
                                QString& error);
constexpr const char* kAssembleEntry = "listoraAssemblePdf";
using TQueueExistsEntry = bool (*)(const QString& queue, QStringList& known);
constexpr const char* kQueueExistsEntry = "listoraQueueExists";
// A new printer for the queue, owned by the caller.
using TOpenQueueEntry = IPrinter* (*)(const QString& queue);
constexpr const char* kOpenQueueEntry = "listoraOpenQueuePrinter";
