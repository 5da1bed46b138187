#include "settings/StoredFont.h"

#include "platform/IniFile.h"

namespace {

struct RStyleKey {
    const char* key;
    TFontStyle flag;
};

constexpr RStyleKey kStyleKeys[] = {
    {"TypeBold", fsBold},
    {"TypeItalic", fsItalic},
    {"TypeUnderline", fsUnderline},
    {"TypeStrikeout", fsStrikeOut},
};

} // namespace

TRWFont::TRWFont(const QString& fileName, const QString& section, const QString& defaultName,
                 int defaultSize, TFontStyles defaultStyle)
    : TFont(defaultName, defaultSize, defaultStyle, clBlack) {
    if (fileName.isEmpty()) return;
    load(TIniSnapshot::fromFile(fileName), section, defaultName, defaultSize, defaultStyle);
}

TRWFont::TRWFont(const TIniSnapshot& ini, const QString& section, const QString& defaultName,
                 int defaultSize, TFontStyles defaultStyle)
    : TFont(defaultName, defaultSize, defaultStyle, clBlack) {
    load(ini, section, defaultName, defaultSize, defaultStyle);
}

void TRWFont::load(const TIniSnapshot& ini, const QString& section, const QString& defaultName,
                   int defaultSize, TFontStyles defaultStyle) {
    // An empty face name would leave the face to each device's own choice,
    // so that text measured on one would be drawn wider on another.
    const QString face = ini.readString(section, QStringLiteral("TName"), defaultName).trimmed();
    setName(face.isEmpty() ? defaultName : face);
    setSize(ini.readInteger(section, QStringLiteral("TSize"), defaultSize));
    TFontStyles style = 0;
    for (const RStyleKey& entry : kStyleKeys)
        if (ini.readBool(section, QLatin1String(entry.key), defaultStyle & entry.flag))
            style |= entry.flag;
    setStyle(style);
    setColor(static_cast<TColor>(ini.readInteger(section, QStringLiteral("TypeColor"), 0)));
}

void TFontSave::Save(const QString& fileName, const QString& section) const {
    TIniFile ini(fileName);
    Save(ini, section);
}

void TFontSave::Save(TIniFile& ini, const QString& section) const {
    const QString target = section.isEmpty() ? QStringLiteral("FONTSECTION") : section;
    ini.writeString(target, QStringLiteral("TName"), name());
    ini.writeInteger(target, QStringLiteral("TSize"), size());
    for (const RStyleKey& entry : kStyleKeys)
        ini.writeBool(target, QLatin1String(entry.key), style() & entry.flag);
    ini.writeInteger(target, QStringLiteral("TypeColor"), static_cast<int>(color()));
}
