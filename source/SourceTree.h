#pragma once
// What the source analyzer needs of a tree view to show a project: the
// navigator implements it with its tree widget, tests with a plain list.
#include <QString>

struct RFile;
struct RFunction;

// The record a node shows: a file (root and file nodes) or a section.
struct TSourceNodeData {
    RFile* File = nullptr;
    RFunction* Section = nullptr;
};

// Pictures of the navigator's image list, used as node and state images.
enum TSourceImage {
    siForm = 0,
    siModule = 1,
    siOtherFile = 2,
    siSection = 3,
    siMarked = 5,
    siUnmarked = 6,
    siRoot = 7,
};

class ISourceTree {
public:
    using NodeId = int;
    static constexpr NodeId kNoNode = -1;
    static constexpr int kNoStateImage = -1;

    virtual ~ISourceTree() = default;
    virtual void clear() = 0;
    // Repainting is suspended between these two.
    virtual void beginUpdate() = 0;
    virtual void endUpdate() = 0;
    // parent kNoNode adds a top-level node.
    virtual NodeId addNode(NodeId parent, const QString& caption, TSourceNodeData data, int image,
                           int stateImage) = 0;
};
