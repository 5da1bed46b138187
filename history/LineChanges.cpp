#include "history/LineChanges.h"

#include "platform/Errors.h"

#include <git2.h>

#include <algorithm>

namespace {

QByteArray joined(const QList<QByteArray>& lines) {
    QByteArray text;
    for (const QByteArray& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

// Where the runs of pure additions or deletions may sit: a run slides
// over equal lines, and the diff's choice among those places is arbitrary
// where procedures end alike ("End Sub", a blank line). The run is put
// where it starts a section, else where it ends before one, so a removed
// or added procedure is not read as an edit of its neighbour.
void slideRuns(std::vector<TLineOp>& ops, TLineOp kind, const QList<QByteArray>& lines,
               const std::vector<int>& sectionStarts, bool ignoreSpace) {
    if (sectionStarts.empty()) return;
    auto same = [&](int a, int b) {
        return ignoreSpace ? SpaceFolded(lines[a]) == SpaceFolded(lines[b]) : lines[a] == lines[b];
    };
    auto isStart = [&](int line) {
        return std::binary_search(sectionStarts.begin(), sectionStarts.end(), line);
    };
    // Line index (in lines' version) of each op position.
    const TLineOp other = kind == TLineOp::Added ? TLineOp::Deleted : TLineOp::Added;
    std::size_t s = 0;
    int line = 0;
    while (s < ops.size()) {
        if (ops[s] != kind) {
            if (ops[s] != other) ++line;
            ++s;
            continue;
        }
        std::size_t e = s;
        while (e < ops.size() && ops[e] == kind)
            ++e;
        const bool pure =
            (s == 0 || ops[s - 1] == TLineOp::Same) && (e == ops.size() || ops[e] == TLineOp::Same);
        int a = line, b = line + int(e - s);
        if (pure) {
            // Up as far as it goes, then down, noting the best place.
            int ups = 0;
            while (s > 0 && ops[s - 1] == TLineOp::Same && a > 0 && same(a - 1, b - 1)) {
                std::swap(ops[s - 1], ops[e - 1]);
                --s, --e, --a, --b, ++ups;
            }
            int best = -1, bestScore = 0, step = 0;
            for (;;) {
                const int score = isStart(a) ? 2 : isStart(b) ? 1 : 0;
                if (score > bestScore) bestScore = score, best = step;
                if (!(e < ops.size() && ops[e] == TLineOp::Same && b < lines.size() && same(a, b)))
                    break;
                std::swap(ops[s], ops[e]);
                ++s, ++e, ++a, ++b, ++step;
            }
            // Back to the best place, or where the diff put it.
            for (int back = step - (best < 0 ? ups : best); back > 0; --back) {
                std::swap(ops[s - 1], ops[e - 1]);
                --s, --e, --a, --b;
            }
        }
        line = b;
        s = e;
    }
}

} // namespace

QByteArray SpaceFolded(const QByteArray& line) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; };
    QByteArray folded;
    folded.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (!blank(line[i])) {
            folded += line[i];
            continue;
        }
        while (i + 1 < line.size() && blank(line[i + 1]))
            ++i;
        folded += ' ';
    }
    while (folded.endsWith(' '))
        folded.chop(1);
    return folded;
}

TLineDiff DiffLines(const QList<QByteArray>& oldLines, const QList<QByteArray>& newLines,
                    bool ignoreSpace, const std::vector<int>& oldSectionStarts,
                    const std::vector<int>& newSectionStarts) {
    TLineDiff d;
    d.Added.assign(std::size_t(newLines.size()), false);
    d.Deleted.assign(std::size_t(oldLines.size()), false);
    const QByteArray oldText = joined(oldLines), newText = joined(newLines);
    git_diff_options options = GIT_DIFF_OPTIONS_INIT;
    options.context_lines = 0;
    options.flags = GIT_DIFF_FORCE_TEXT | GIT_DIFF_INDENT_HEURISTIC;
    if (ignoreSpace) options.flags |= GIT_DIFF_IGNORE_WHITESPACE_CHANGE;
    git_patch* patch = nullptr;
    if (git_patch_from_buffers(&patch, oldText.constData(), std::size_t(oldText.size()), nullptr,
                               newText.constData(), std::size_t(newText.size()), nullptr,
                               &options) != 0)
        throw TListoraError(QStringLiteral("cannot compare the texts"));
    const std::size_t hunks = git_patch_num_hunks(patch);
    for (std::size_t h = 0; h < hunks; ++h) {
        const int lines = git_patch_num_lines_in_hunk(patch, h);
        for (int i = 0; i < lines; ++i) {
            const git_diff_line* l = nullptr;
            if (git_patch_get_line_in_hunk(&l, patch, h, std::size_t(i)) != 0) continue;
            if (l->origin == GIT_DIFF_LINE_ADDITION && l->new_lineno > 0 &&
                l->new_lineno <= newLines.size())
                d.Added[std::size_t(l->new_lineno - 1)] = true;
            else if (l->origin == GIT_DIFF_LINE_DELETION && l->old_lineno > 0 &&
                     l->old_lineno <= oldLines.size())
                d.Deleted[std::size_t(l->old_lineno - 1)] = true;
        }
    }
    git_patch_free(patch);

    // The script: deletions before additions where both meet.
    std::size_t i = 0, j = 0;
    while (i < d.Deleted.size() || j < d.Added.size()) {
        if (i < d.Deleted.size() && d.Deleted[i]) {
            d.Ops.push_back(TLineOp::Deleted), ++i;
        } else if (j < d.Added.size() && d.Added[j]) {
            d.Ops.push_back(TLineOp::Added), ++j;
        } else {
            d.Ops.push_back(TLineOp::Same), ++i, ++j;
        }
    }
    slideRuns(d.Ops, TLineOp::Deleted, oldLines, oldSectionStarts, ignoreSpace);
    slideRuns(d.Ops, TLineOp::Added, newLines, newSectionStarts, ignoreSpace);

    // The facts by line, from the script as slid.
    std::fill(d.Added.begin(), d.Added.end(), false);
    std::fill(d.Deleted.begin(), d.Deleted.end(), false);
    d.DeletedAt.assign(d.Deleted.size(), -1);
    i = j = 0;
    for (std::size_t k = 0; k < d.Ops.size(); ++k) {
        switch (d.Ops[k]) {
        case TLineOp::Same:
            ++i, ++j;
            break;
        case TLineOp::Added:
            d.Added[j++] = true;
            break;
        case TLineOp::Deleted: {
            d.Deleted[i] = true;
            d.DeletedAt[i++] = int(j);
            const bool runStart = k == 0 || d.Ops[k - 1] != TLineOp::Deleted;
            const bool added = (k > 0 && d.Ops[k - 1] == TLineOp::Added);
            std::size_t e = k;
            while (e < d.Ops.size() && d.Ops[e] == TLineOp::Deleted)
                ++e;
            if (runStart && !added && (e == d.Ops.size() || d.Ops[e] != TLineOp::Added))
                d.Gaps.push_back(int(j));
            break;
        }
        }
    }
    return d;
}
