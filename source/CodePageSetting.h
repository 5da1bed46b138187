#pragma once
// The code page of source text that is not UTF-8: key "codepage" of
// section "general" in the settings file, 1252 when absent or not a
// positive number.
int ConfiguredCodePage();
