#pragma once
// A private scratch folder in the system's temporary folder, removed with
// the object. A run that is killed cannot remove its own folder, so each
// new folder first clears the ones whose owners are gone: a live owner
// holds a lock on its folder, and only unlocked folders of this program's
// name pattern, owned by the same user, are removed.
#include <QString>

class TPrivateFolder {
public:
    // Throws TListoraError when no folder can be created.
    TPrivateFolder();
    ~TPrivateFolder();
    TPrivateFolder(const TPrivateFolder&) = delete;
    TPrivateFolder& operator=(const TPrivateFolder&) = delete;

    const QString& path() const { return path_; }
    QString filePath(const QString& name) const;

    // The name pattern's start ("listora-job-"), for tests.
    static QString namePrefix();

private:
    static void removeLeftovers();

    QString path_;
    int lockFd_ = -1;
};
