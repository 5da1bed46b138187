#pragma once
// Puts the formatting options, fonts and page setup dialogs behind the
// main window's commands.
void installSettingsDialogs();
