#pragma once
// Recorders and scratch folders shared by the source-model tests.
#include "platform/Messages.h"
#include "platform/Progress.h"
#include "source/SourceTree.h"

#include <QStringList>
#include <QTemporaryDir>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

struct TRecordingProgress : IProgress {
    void showProgress(const QString& text, int percent) override {
        if (!text.isEmpty()) statuses << text;
        percents.push_back(percent);
    }
    void showStatus(const QString& text) override { statuses << text; }
    void processPendingMessages() override { ++pumps; }
    QStringList statuses;
    std::vector<int> percents;
    int pumps = 0;
};

// Installs itself as the message service for its lifetime.
struct TRecordingMessages : IMessageService {
    TRecordingMessages() { setMessageService(this); }
    ~TRecordingMessages() override { setMessageService(nullptr); }
    void show(TMessageKind kind, const QString&, const QString& text) override {
        texts << (kind == TMessageKind::Error ? "error: " : "other: ") + text;
    }
    bool askYesNo(const QString&, const QString&) override { return false; }
    QStringList texts;
};

struct TRecordingTree : ISourceTree {
    struct Node {
        int parent;
        QString caption;
        TSourceNodeData data;
        int image, stateImage;
    };
    void clear() override { nodes.clear(); }
    void beginUpdate() override { ++updating; }
    void endUpdate() override { --updating; }
    NodeId addNode(NodeId parent, const QString& caption, TSourceNodeData data, int image,
                   int stateImage) override {
        nodes.push_back({parent, caption, data, image, stateImage});
        return static_cast<NodeId>(nodes.size() - 1);
    }
    std::vector<Node> nodes;
    int updating = 0;
};

// A scratch folder; write() stores bytes as given and returns the path.
struct TScratch {
    QString path(const QString& relative) const { return dir.filePath(relative); }
    QString write(const QString& relative, const QByteArray& bytes) const;
    QTemporaryDir dir;
};

// The lines, each ended by CR LF.
QByteArray crlf(const QStringList& lines);
