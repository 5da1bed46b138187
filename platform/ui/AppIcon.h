#pragma once
// The application icon for the program's windows: the same picture as the
// desktop entry's icon, in the theme's sizes, built into the program.
#include <QIcon>

QIcon applicationIcon();
