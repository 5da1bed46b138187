#include "DialogTestSupport.h"

#include "format/ListingSettings.h"
#include "platform/ui/ModalRunner.h"

#include <QTextStream>

QMap<QString, QString> iniEntries(const QString& path) {
    QMap<QString, QString> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return entries;
    QString section;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            section = line.mid(1, line.indexOf(u']') - 1);
        } else if (const qsizetype eq = line.indexOf(u'='); eq > 0) {
            const QString key = section + u'/' + line.left(eq);
            EXPECT_FALSE(entries.contains(key)) << "written twice: " << key.toStdString();
            entries.insert(key, line.mid(eq + 1));
        }
    }
    return entries;
}

std::string entriesOutsideTheListing(const QMap<QString, QString>& entries) {
    QStringList own;
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const auto listing =
            listingSettingDefault(it.key().section('/', 0, 0), it.key().section('/', 1));
        if (listing)
            EXPECT_EQ(it.value(), *listing) << it.key().toStdString();
        else
            own << it.key() + "=" + it.value();
    }
    return own.join(", ").toStdString();
}

QString settingsPath() {
    return TIniFile(kSettingsFileName).fileName();
}

std::optional<TColor> TScriptedChoosers::chooseColor(TColor current) {
    colorPresets.push_back(current);
    if (colors.empty()) return std::nullopt;
    auto answer = colors.front();
    colors.pop_front();
    return answer;
}

std::optional<TFont> TScriptedChoosers::chooseFont(const TFont& current) {
    fontPresets.push_back(current);
    if (nextFont >= fonts.size() || !fonts[nextFont]) {
        ++nextFont;
        return std::nullopt;
    }
    return *fonts[nextFont++];
}

std::optional<TFileDialogResult> TScriptedFiles::openFile(const TFileDialogRequest& request) {
    requests.push_back(request);
    return answer;
}

void DialogTest::SetUp() {
    QFile::remove(settingsPath());
    setChooserDialogs(&choosers);
    setFileDialogs(&files);
    // A modal window in a test would wait for a user: none may open.
    setModalRunner([](QDialog&) -> int {
        ADD_FAILURE() << "unexpected modal window";
        return 0;
    });
}

void DialogTest::TearDown() {
    setChooserDialogs(nullptr);
    setFileDialogs(nullptr);
    setModalRunner({});
    QFile::remove(settingsPath());
}
