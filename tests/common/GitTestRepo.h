#pragma once
// Git repositories for tests, built with libgit2 as git itself would.
#include "common/TestSupport.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <git2.h>
#include <gtest/gtest.h>

// A repository in a temporary folder, committed to as git would.
class TTestRepo {
public:
    TTestRepo() {
        git_libgit2_init();
        EXPECT_EQ(git_repository_init(&repo_, QFile::encodeName(dir_.path()), 0), 0);
    }
    explicit TTestRepo(git_repository* repo) : repo_(repo) { git_libgit2_init(); }
    ~TTestRepo() {
        git_repository_free(repo_);
        git_libgit2_shutdown();
    }
    QString path(const QString& rel) const { return dir_.filePath(rel); }
    // A repository of everything in folder, committed once.
    static void commitFolder(const QString& folder) {
        // libgit2 may not be initialised yet by anything else.
        git_libgit2_init();
        git_repository* repo = nullptr;
        const int made = git_repository_init(&repo, QFile::encodeName(folder), 0);
        EXPECT_EQ(made, 0);
        if (made == 0) TTestRepo(repo).commit("Corpus");
        git_libgit2_shutdown();
    }
    void write(const QString& rel, const QString& text, const char* eol = "\r\n") {
        testsupport::writeFile(path(rel), text.toUtf8().replace("\n", eol));
    }
    void remove(const QString& rel) { QFile::remove(path(rel)); }
    // Every change of the work tree into the index.
    void stageAll() {
        git_index* index = nullptr;
        char pattern[] = "*";
        char* patterns[] = {pattern};
        const git_strarray all = {patterns, 1};
        ASSERT_EQ(git_repository_index(&index, repo_), 0);
        git_index_add_all(index, &all, 0, nullptr, nullptr);
        git_index_update_all(index, &all, nullptr, nullptr);
        git_index_write(index);
        git_index_free(index);
    }
    void stage(const QString& rel) {
        git_index* index = nullptr;
        ASSERT_EQ(git_repository_index(&index, repo_), 0);
        EXPECT_EQ(git_index_add_bypath(index, rel.toUtf8().constData()), 0);
        git_index_write(index);
        git_index_free(index);
    }
    void commit(const char* message, const char* tag = nullptr) {
        stageAll();
        git_index* index = nullptr;
        git_oid tree, id;
        git_tree* treeObject = nullptr;
        git_signature* me = nullptr;
        git_commit* parent = nullptr;
        ASSERT_EQ(git_repository_index(&index, repo_), 0);
        ASSERT_EQ(git_index_write_tree(&tree, index), 0);
        git_tree_lookup(&treeObject, repo_, &tree);
        git_signature_new(&me, "Tester", "t@example.org", 1780000000 + ++commits_ * 86400, 0);
        git_oid head;
        const bool hasHead = git_reference_name_to_id(&head, repo_, "HEAD") == 0;
        if (hasHead) git_commit_lookup(&parent, repo_, &head);
        const git_commit* parents[] = {parent};
        ASSERT_EQ(git_commit_create(&id, repo_, "HEAD", me, me, nullptr, message, treeObject,
                                    hasHead ? 1 : 0, parents),
                  0);
        if (tag) {
            git_object* target = nullptr;
            git_oid tagId;
            git_object_lookup(&target, repo_, &id, GIT_OBJECT_COMMIT);
            git_tag_create_lightweight(&tagId, repo_, tag, target, 0);
            git_object_free(target);
        }
        git_commit_free(parent);
        git_signature_free(me);
        git_tree_free(treeObject);
        git_index_free(index);
    }

private:
    QTemporaryDir dir_;
    git_repository* repo_ = nullptr;
    int commits_ = 0;
};
