#pragma once
// What only some runs of listora-print need lives in a module of its own,
// loaded on first use: the PDF assembly (qpdf and the cryptography it
// links) and printing on a CUPS queue (Qt Widgets and Print Support).
// Loading them costs more than laying out a short file, so a run that
// only counts pages or writes PNG images starts like a bare Qt program.
// The assembly itself is reached through AssemblePdf and JoinPdfs.
#include <QString>
#include <QStringList>

#include <memory>

class IPrinter;

// Whether the CUPS queue exists; known receives every queue's name.
bool QueueExists(const QString& queue, QStringList& known);
// The printer that sends jobs to queue.
std::unique_ptr<IPrinter> OpenQueuePrinter(const QString& queue);
