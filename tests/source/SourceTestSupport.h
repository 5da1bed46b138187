#pragma once
// Recorders and scratch folders shared by the source-model tests.
#include "platform/Messages.h"
#include "platform/Progress.h"
#include "source/SourceTree.h"

#include <QStringList>
#include <QTemporaryDir>
#include <ostream>
#include <vector>

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

class TRecordingProgress : public IProgress {
public:
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
class TRecordingMessages : public IMessageService {
public:
    TRecordingMessages() { setMessageService(this); }
    ~TRecordingMessages() override { setMessageService(nullptr); }
    void show(TMessageKind kind, const QString&, const QString& text) override {
        kinds.push_back(kind);
        texts << text;
    }
    bool askYesNo(const QString&, const QString&) override { return false; }

    std::vector<TMessageKind> kinds;
    QStringList texts;
};

struct TRecordedNode {
    int parent;
    QString caption;
    TSourceNodeData data;
    int image;
    int stateImage;
};

class TRecordingTree : public ISourceTree {
public:
    void clear() override { nodes.clear(); }
    void beginUpdate() override { ++updating; }
    void endUpdate() override { --updating; }
    NodeId addNode(NodeId parent, const QString& caption, TSourceNodeData data, int image,
                   int stateImage) override {
        nodes.push_back({parent, caption, data, image, stateImage});
        return static_cast<NodeId>(nodes.size() - 1);
    }

    std::vector<TRecordedNode> nodes;
    int updating = 0;
};

// A scratch folder with helpers to lay out project files.
class TScratch {
public:
    QString path(const QString& relative) const { return dir_.filePath(relative); }
    // Writes bytes as given (no line-ending translation).
    QString write(const QString& relative, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
};

// CR LF joined lines, each ending in CR LF.
QByteArray crlf(const QStringList& lines);
