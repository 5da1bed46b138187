#include "history/GitRepository.h"

#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "source/ProjectLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

#include <git2.h>

namespace {

// libgit2 counts its initialisations; one for the life of the process.
void initLibrary() {
    static const int once = git_libgit2_init();
    (void)once;
}

QString lastError() {
    const git_error* e = git_error_last();
    return e && e->message ? QString::fromUtf8(e->message).trimmed() : QStringLiteral("unknown");
}

// Owners of libgit2 objects, each freed by its own function.
template <typename T, void (*Free)(T*)> struct TOwned {
    T* p = nullptr;
    TOwned() = default;
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;
    ~TOwned() {
        if (p) Free(p);
    }
};
using TCommitPtr = TOwned<git_commit, git_commit_free>;
using TTreePtr = TOwned<git_tree, git_tree_free>;
using TEntryPtr = TOwned<git_tree_entry, git_tree_entry_free>;
using TBlobPtr = TOwned<git_blob, git_blob_free>;
using TObjectPtr = TOwned<git_object, git_object_free>;
using TDiffPtr = TOwned<git_diff, git_diff_free>;

git_oid oidOf(const TGitCommit& commit) {
    git_oid oid;
    git_oid_fromraw(&oid, reinterpret_cast<const unsigned char*>(commit.Oid.constData()));
    return oid;
}

void treeOf(git_repository* repo, const TGitCommit& commit, TTreePtr& tree) {
    TCommitPtr c;
    const git_oid oid = oidOf(commit);
    if (git_commit_lookup(&c.p, repo, &oid) != 0 || git_commit_tree(&tree.p, c.p) != 0)
        throw TListoraError(
            QStringLiteral("cannot read revision %1: %2").arg(commit.ShortId, lastError()));
}

} // namespace

QString TGitCommit::Describe() const {
    return QStringLiteral("%1, %2, %3")
        .arg(ShortId, When.toString(QStringLiteral("yyyy-MM-dd")), Subject);
}

TGitRepository::TGitRepository(const QString& path) {
    initLibrary();
    const QFileInfo info(path);
    const QString start = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    if (git_repository_open_ext(&repo_, QFile::encodeName(start).constData(), 0, nullptr) != 0) {
        repo_ = nullptr;
        throw TListoraError(QStringLiteral("%1 is not inside a git work tree").arg(path));
    }
    const char* work = git_repository_workdir(repo_);
    if (!work) {
        git_repository_free(repo_);
        throw TListoraError(
            QStringLiteral("%1 is in a git repository without a work tree").arg(path));
    }
    // The work tree as the project's paths spell it (symbolic links
    // resolved on both sides).
    workDir_ = QFileInfo(QFile::decodeName(work)).canonicalFilePath() + "/";
}

TGitRepository::~TGitRepository() {
    if (repo_) git_repository_free(repo_);
}

QString TGitRepository::RelativeTo(const QString& root, const QString& path) {
    QFileInfo info(path);
    const QString canonical = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QString base = QFileInfo(root).canonicalFilePath() + "/";
    return canonical.startsWith(base) ? canonical.mid(base.size()) : QString();
}

TGitCommit TGitRepository::Resolve(const QString& revision) const {
    TObjectPtr object;
    if (git_revparse_single(&object.p, repo_, revision.toUtf8().constData()) != 0) {
        QString text = QStringLiteral("unknown revision \"%1\"").arg(revision);
        // A shallow clone lacks the older history a revision may name.
        if (git_repository_is_shallow(repo_) == 1)
            text += QStringLiteral(" (the repository is a shallow clone: its history may not "
                                   "reach that far; fetch more of it with git fetch --unshallow)");
        throw TListoraError(text);
    }
    TObjectPtr peeled;
    if (git_object_peel(&peeled.p, object.p, GIT_OBJECT_COMMIT) != 0)
        throw TListoraError(QStringLiteral("revision \"%1\" names no commit").arg(revision));
    const git_commit* commit = reinterpret_cast<const git_commit*>(peeled.p);
    TGitCommit result;
    const git_oid* oid = git_commit_id(commit);
    result.Oid = QByteArray(reinterpret_cast<const char*>(oid->id), GIT_OID_RAWSZ);
    char shortId[8] = {};
    git_oid_tostr(shortId, sizeof shortId, oid);
    result.ShortId = QString::fromLatin1(shortId);
    result.When = QDateTime::fromSecsSinceEpoch(git_commit_time(commit),
                                                QTimeZone(git_commit_time_offset(commit) * 60));
    const char* summary = git_commit_summary(const_cast<git_commit*>(commit));
    result.Subject = summary ? QString::fromUtf8(summary) : QString();
    return result;
}

std::optional<QByteArray> TGitRepository::FileAt(const TGitCommit& commit,
                                                 const QString& relPath) const {
    TTreePtr tree;
    treeOf(repo_, commit, tree);
    TEntryPtr entry;
    if (git_tree_entry_bypath(&entry.p, tree.p, relPath.toUtf8().constData()) != 0)
        return std::nullopt;
    if (git_tree_entry_type(entry.p) != GIT_OBJECT_BLOB) return std::nullopt;
    TBlobPtr blob;
    if (git_blob_lookup(&blob.p, repo_, git_tree_entry_id(entry.p)) != 0)
        throw TListoraError(
            QStringLiteral("cannot read %1 at %2: %3").arg(relPath, commit.ShortId, lastError()));
    return QByteArray(static_cast<const char*>(git_blob_rawcontent(blob.p)),
                      qsizetype(git_blob_rawsize(blob.p)));
}

QHash<QString, QString> TGitRepository::Renames(const TGitCommit& from,
                                                const TGitCommit* to) const {
    TTreePtr oldTree;
    treeOf(repo_, from, oldTree);
    git_diff_options options = GIT_DIFF_OPTIONS_INIT;
    options.flags = GIT_DIFF_INCLUDE_UNTRACKED | GIT_DIFF_RECURSE_UNTRACKED_DIRS;
    TDiffPtr diff;
    int status;
    if (to) {
        TTreePtr newTree;
        treeOf(repo_, *to, newTree);
        status = git_diff_tree_to_tree(&diff.p, repo_, oldTree.p, newTree.p, &options);
    } else {
        status = git_diff_tree_to_workdir_with_index(&diff.p, repo_, oldTree.p, &options);
    }
    git_diff_find_options find = GIT_DIFF_FIND_OPTIONS_INIT;
    find.flags = GIT_DIFF_FIND_RENAMES | GIT_DIFF_FIND_FOR_UNTRACKED;
    if (status != 0 || git_diff_find_similar(diff.p, &find) != 0)
        throw TListoraError(
            QStringLiteral("cannot compare with %1: %2").arg(from.ShortId, lastError()));
    QHash<QString, QString> renames;
    const size_t count = git_diff_num_deltas(diff.p);
    for (size_t i = 0; i < count; ++i) {
        const git_diff_delta* delta = git_diff_get_delta(diff.p, i);
        if (delta->status == GIT_DELTA_RENAMED)
            renames.insert(QString::fromUtf8(delta->new_file.path),
                           QString::fromUtf8(delta->old_file.path));
    }
    return renames;
}

namespace {

struct TExtractWalk {
    git_repository* repo;
    QString folder;
    QString failure;
};

int extractEntry(const char* root, const git_tree_entry* entry, void* payload) {
    auto* walk = static_cast<TExtractWalk*>(payload);
    if (git_tree_entry_type(entry) != GIT_OBJECT_BLOB) return 0;
    TBlobPtr blob;
    if (git_blob_lookup(&blob.p, walk->repo, git_tree_entry_id(entry)) != 0) {
        walk->failure = lastError();
        return -1;
    }
    // Nothing a listing would read is larger.
    if (git_blob_rawsize(blob.p) >= git_object_size_t(kSourceSizeLimit)) return 0;
    const QString rel = QString::fromUtf8(root) + QString::fromUtf8(git_tree_entry_name(entry));
    const QString path = QDir(walk->folder).filePath(rel);
    QDir().mkpath(QFileInfo(path).absolutePath());
    // No exception may cross libgit2's frames: the failure ends the walk.
    try {
        TAtomicFile file(path);
        file.Durable = false;
        file.begin();
        file.write(static_cast<const char*>(git_blob_rawcontent(blob.p)),
                   qint64(git_blob_rawsize(blob.p)));
        file.commit();
    } catch (const TListoraError& e) {
        walk->failure = e.message();
        return -1;
    }
    return 0;
}

} // namespace

namespace {

int collectPath(const char* root, const git_tree_entry* entry, void* payload) {
    if (git_tree_entry_type(entry) == GIT_OBJECT_BLOB)
        static_cast<QStringList*>(payload)->append(QString::fromUtf8(root) +
                                                   QString::fromUtf8(git_tree_entry_name(entry)));
    return 0;
}

} // namespace

QStringList TGitRepository::Paths(const TGitCommit& commit) const {
    TTreePtr tree;
    treeOf(repo_, commit, tree);
    QStringList paths;
    git_tree_walk(tree.p, GIT_TREEWALK_PRE, collectPath, &paths);
    return paths;
}

void TGitRepository::Extract(const TGitCommit& commit, const QString& folder) const {
    TTreePtr tree;
    treeOf(repo_, commit, tree);
    TExtractWalk walk{repo_, folder, {}};
    if (git_tree_walk(tree.p, GIT_TREEWALK_PRE, extractEntry, &walk) != 0)
        throw TListoraError(
            QStringLiteral("cannot read the files of %1: %2")
                .arg(commit.ShortId, walk.failure.isEmpty() ? lastError() : walk.failure));
}
