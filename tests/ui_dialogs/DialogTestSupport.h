#pragma once
// Shared by the settings dialog tests: a fresh settings file per test,
// scripted choosers, and the file's entries as a map.
#include "platform/Dialogs.h"
#include "platform/IniFile.h"

#include <QFile>
#include <QMap>
#include <gtest/gtest.h>

#include <deque>

// "SECTION/Key" -> value, spelled as written.
QMap<QString, QString> iniEntries(const QString& path);

QString settingsPath();

// Fails for every entry the listing also reads that differs from the
// listing's own default; returns the others ("SECTION/Key=value", ", "
// between them), which only the dialogs read.
std::string entriesOutsideTheListing(const QMap<QString, QString>& entries);

class TScriptedChoosers : public IChooserDialogs {
public:
    // Answers in turn; no value cancels, and so does running out.
    std::deque<std::optional<TColor>> colors;
    std::vector<std::optional<TFont>> fonts;
    std::size_t nextFont = 0;
    std::vector<TFont> fontPresets;
    std::vector<TColor> colorPresets;

    std::optional<TColor> chooseColor(TColor current) override;
    std::optional<TFont> chooseFont(const TFont& current) override;
};

class TScriptedFiles : public IFileDialogs {
public:
    std::optional<TFileDialogResult> answer;
    std::vector<TFileDialogRequest> requests;
    std::optional<TFileDialogResult> openFile(const TFileDialogRequest& request) override;
    std::optional<TFileDialogResult> saveFile(const TFileDialogRequest&) override {
        return std::nullopt;
    }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TScriptedChoosers choosers;
    TScriptedFiles files;
};
