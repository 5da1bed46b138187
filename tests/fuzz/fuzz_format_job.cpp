// Any bytes as a saved job (".LRP"): opening it either refuses with a
// TListoraError or yields members inside its private folder, and the
// settings check and the marks reader cope with whatever the members hold.
#include "FuzzSupport.h"
#include "format/ListingSettings.h"
#include "format/ProjectSettingsFile.h"
#include "platform/Errors.h"
#include "source/SourceMgt.h"
#include "source/SourceRecords.h"

#include <QFileInfo>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QString path =
        fuzzsupport::writeFile(QStringLiteral("job.lrp"),
                               QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    try {
        const TSavedJob job(path);
        for (const QString& member : {job.PrintMarksFile(), job.SettingsFile()})
            if (!member.isEmpty() && !QFileInfo(member).absolutePath().startsWith(job.Folder()))
                std::abort(); // a member escaped the job's folder
        (void)isProjectPath(job.ProjectPath());
        if (!job.SettingsFile().isEmpty()) (void)CheckSettingsFile(job.SettingsFile());
        if (!job.PrintMarksFile().isEmpty()) {
            TSourceMgt sources;
            RFile* file = sources.AddFile();
            file->FileName = QStringLiteral("Module1.bas");
            file->Path = file->FileName;
            sources.LoadPrintMarks(job.PrintMarksFile());
        }
    } catch (const TListoraError&) {
    }
    return 0;
}
