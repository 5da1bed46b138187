#pragma once
// The about box: product name, version and a picture.
#include "platform/Version.h"

#include <QDialog>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* owner = nullptr);

    static inline const QString kProductName = QStringLiteral("Listora");
    static inline const QString kVersion =
        QStringLiteral("Version ") + QLatin1String(kListoraVersion);
};
