// What a path traces, for drawing it more briefly: a path that is one
// axis-parallel rectangle is filled as a rectangle (a printed page then holds
// four numbers instead of five points and their operators).
//
// Pure functions; any thread.
#pragma once

#include <QRectF>

class QPainterPath;

// The rectangle `path` traces when it is one closed figure of four
// axis-parallel sides (its first point repeated last), else an empty one.
QRectF TracedRectangle(const QPainterPath& path);
