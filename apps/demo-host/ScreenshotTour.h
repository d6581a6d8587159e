#pragma once

#include <QString>

class DemoWindow;

// Drives a typical session in the builder (two tables, a join, fields, the statement, a run)
// and saves each page as a PNG file in dir. Returns false when a step could not be done.
bool renderScreenshotTour(DemoWindow& demo, const QString& dir);
