#include "widgets/LastUsedMenu.h"

#include "platform/IniFile.h"

#include <QAction>
#include <QMenu>

namespace {
const QString kNothingFound = QStringLiteral("Nothing Found");
QString itemKey(int n) {
    return QStringLiteral("Item%1").arg(n);
}
} // namespace

TLastUsedMenu::TLastUsedMenu(QMenu* menu, const QString& section, QObject* parent)
    : QObject(parent), menu_(menu), section_(section) {}

TLastUsedMenu::~TLastUsedMenu() {
    if (!SaveOnDestroy) return;
    try {
        Save();
    } catch (const std::exception&) {
        // Closing goes on; the list is only lost for the next start.
    }
}

QString TLastUsedMenu::caption(int number, const QString& path) {
    return QStringLiteral("&%1  %2").arg(number).arg(path);
}

QString TLastUsedMenu::pathFromCaption(const QString& caption) {
    const qsizetype blanks = caption.indexOf(QStringLiteral("  "));
    return blanks < 0 ? caption : caption.mid(blanks + 2);
}

void TLastUsedMenu::Add(const QString& path) {
    const qsizetype at = entries_.indexOf(path); // letter case counts
    if (at >= 0)
        entries_.removeAt(at);
    else if (entries_.size() >= kMaxEntries)
        entries_.removeLast();
    entries_.prepend(path);
    rebuild();
}

bool TLastUsedMenu::Remove(const QString& path) {
    if (!entries_.removeOne(path)) return false;
    removed_ = true;
    rebuild();
    return true;
}

void TLastUsedMenu::Clear() {
    entries_.clear();
    rebuild();
}

void TLastUsedMenu::Load() {
    Clear();
    const TIniFile ini;
    for (int n = kMaxEntries; n >= 1; --n) {
        const QString path = ini.readString(section_, itemKey(n), kNothingFound);
        if (path != kNothingFound) Add(path);
    }
}

void TLastUsedMenu::Save() const {
    if (entries_.isEmpty() && !removed_) return;
    TIniFile ini;
    ini.beginBatch();
    for (int n = 0; n < entries_.size(); ++n)
        ini.writeString(section_, itemKey(n + 1), entries_.at(n));
    if (removed_)
        for (int n = int(entries_.size()) + 1; n <= kMaxEntries; ++n)
            if (ini.readString(section_, itemKey(n), kNothingFound) != kNothingFound)
                ini.writeString(section_, itemKey(n), kNothingFound);
    ini.commitBatch();
}

void TLastUsedMenu::rebuild() {
    if (!menu_) {
        items_.clear(); // went with the menu
        return;
    }
    for (QAction* item : std::as_const(items_)) {
        menu_->removeAction(item);
        delete item;
    }
    items_.clear();
    if (entries_.isEmpty()) return;
    if (!separator_) separator_ = menu_->addSeparator();
    for (int n = 0; n < entries_.size(); ++n) {
        QAction* item = new QAction(caption(n + 1, entries_.at(n)), menu_);
        const QString path = entries_.at(n);
        connect(item, &QAction::triggered, this, [this, path] { emit Chosen(path); });
        menu_->addAction(item);
        items_.append(item);
    }
}
