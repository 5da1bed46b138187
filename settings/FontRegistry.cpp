#include "settings/FontRegistry.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace fontregistry {
namespace {

struct REntry {
    QString name;
    TFont font;
};

// Entries are held by pointer so that a font handed out by find() stays
// where it is while other names are added.
std::vector<std::unique_ptr<REntry>>& entries() {
    static std::vector<std::unique_ptr<REntry>> list;
    return list;
}

auto position(const QString& name) {
    auto& list = entries();
    return std::find_if(list.begin(), list.end(),
                        [&](const auto& entry) { return entry->name == name; });
}

} // namespace

bool add(const QString& name, const TFont& font) {
    if (contains(name)) return false;
    entries().push_back(std::make_unique<REntry>(REntry{name, font}));
    return true;
}

const TFont* find(const QString& name) {
    const auto it = position(name);
    return it == entries().end() ? nullptr : &(*it)->font;
}

bool remove(const QString& name) {
    const auto it = position(name);
    if (it == entries().end()) return false;
    entries().erase(it);
    return true;
}

bool contains(const QString& name) {
    return name.isEmpty() || position(name) != entries().end();
}

void clear() {
    entries().clear();
}

int count() {
    return static_cast<int>(entries().size());
}

} // namespace fontregistry
