#pragma once
// The git repository around a project, read through libgit2: revisions,
// files as stored at a revision, and the renames between a revision and the
// work tree or another revision. Failures throw TListoraError with a text
// for the user.
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <optional>

struct git_repository;

struct TGitCommit {
    QByteArray Oid; // raw, 20 bytes
    QString ShortId;
    QDateTime When;
    QString Subject;
    // "abc1234, 2026-12-01, Fix the totals"
    QString Describe() const;
};

class TGitRepository {
public:
    // The repository whose work tree holds path (a file or folder).
    explicit TGitRepository(const QString& path);
    ~TGitRepository();
    TGitRepository(const TGitRepository&) = delete;
    TGitRepository& operator=(const TGitRepository&) = delete;

    // The work tree's folder, with a trailing "/".
    QString WorkDir() const { return workDir_; }
    // The path relative to root ("" when it lies outside).
    static QString RelativeTo(const QString& root, const QString& path);

    // Anything git accepts as a revision ("HEAD~2", a tag, a hash).
    TGitCommit Resolve(const QString& revision) const;
    // The bytes of relPath at commit; none when the commit lacks it.
    std::optional<QByteArray> FileAt(const TGitCommit& commit, const QString& relPath) const;
    // The path of every file of commit.
    QStringList Paths(const TGitCommit& commit) const;
    // New path -> old path of the files renamed since from: in the work
    // tree (index and unstaged edits included) or, given, at to.
    QHash<QString, QString> Renames(const TGitCommit& from, const TGitCommit* to) const;
    // Writes every file of commit under folder.
    void Extract(const TGitCommit& commit, const QString& folder) const;

private:
    git_repository* repo_ = nullptr;
    QString workDir_;
};
