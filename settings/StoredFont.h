#pragma once
// Fonts kept in the settings file as a section of seven keys (face, size in
// points, four style flags, colour).
#include "platform/Font.h"

#include <QString>

class TIniFile;
class TIniSnapshot;

class TRWFont : public TFont {
public:
    // Loads the font from section of fileName; an empty fileName gives the
    // defaults (and black) without reading anything. The colour defaults to
    // black whatever the caller had in mind.
    TRWFont(const QString& fileName, const QString& section, const QString& defaultName,
            int defaultSize, TFontStyles defaultStyle);
    // The same from a settings file already read.
    TRWFont(const TIniSnapshot& ini, const QString& section, const QString& defaultName,
            int defaultSize, TFontStyles defaultStyle);

protected:
    explicit TRWFont(const TFont& font) : TFont(font) {}

private:
    void load(const TIniSnapshot& ini, const QString& section, const QString& defaultName,
              int defaultSize, TFontStyles defaultStyle);
};

class TFontSave : public TRWFont {
public:
    using TRWFont::TRWFont;
    // A font chosen elsewhere (a font dialog), to be saved.
    explicit TFontSave(const TFont& font) : TRWFont(font) {}

    // Writes the seven keys in their fixed order; an empty section name
    // writes to "FONTSECTION". Throws TListoraError when the file refuses.
    void Save(const QString& fileName, const QString& section) const;
    // The same into an open settings file (which may be batching writes).
    void Save(TIniFile& ini, const QString& section) const;
};
