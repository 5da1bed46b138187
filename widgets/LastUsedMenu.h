#pragma once
// The recent-files list: at most seven paths, newest first, shown as
// "&1  path" items of a menu and kept in the settings file.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QAction;
class QMenu;

class TLastUsedMenu : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 7;

    // The items go into menu; section names the settings-file section.
    explicit TLastUsedMenu(QMenu* menu, const QString& section = QStringLiteral("RFU"),
                           QObject* parent = nullptr);
    ~TLastUsedMenu() override;

    // Puts path on top: an entry already there (same letter case) moves up,
    // a new one pushes out the oldest when the list is full.
    void Add(const QString& path);
    // Takes path (same letter case) off the list; false when it was not on.
    bool Remove(const QString& path);
    void Clear();
    // Replaces the list with keys "Item7" down to "Item1" of the section;
    // missing keys are skipped.
    void Load();
    // Writes the entries as "Item1".. from the top when there are any; keys
    // beyond the count stay as they are, unless entries were removed: those
    // keys are then marked empty, so a removed entry does not come back.
    void Save() const;
    // Save() when the object goes away (as the main window closes).
    bool SaveOnDestroy = false;

    const QStringList& Entries() const { return entries_; }
    QList<QAction*> Items() const { return items_; }
    QAction* Separator() const { return separator_; }

    static QString caption(int number, const QString& path);
    static QString pathFromCaption(const QString& caption);

signals:
    // An entry was chosen from the menu.
    void Chosen(const QString& path);

private:
    void rebuild();

    QPointer<QMenu> menu_;
    QString section_;
    QStringList entries_;
    QList<QAction*> items_;
    QAction* separator_ = nullptr;
    bool removed_ = false;
};
