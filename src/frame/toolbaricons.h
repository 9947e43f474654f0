// The toolbar's icons: the desktop theme's, or our own drawn in the palette's ink, so that they
// show on a dark palette as on a light one.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The icon called `name` in the desktop's theme, or our own of that name drawn in `ink`.
QIcon ToolbarIcon(const QString& name, const QColor& ink);
