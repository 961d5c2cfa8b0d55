#pragma once
// Rendering an add-in's window into a PNG file without showing it: for tests,
// scripts and screenshots.

#include <QSize>
#include <QString>

#include <functional>

class QWidget;

namespace tq::addins {

// Lays `window` out at `size` without putting it on a screen, lets its
// widgets settle, then calls `save` (which renders what it likes of the
// window). Returns what `save` returned.
bool renderHeadless(QWidget& window, const QSize& size, const std::function<bool()>& save);

// The full window into `path`.
bool grabWindowPng(QWidget& window, const QString& path);

// Sets the Japanese application font (Noto Sans CJK JP, then IPA fonts).
void setAddinFont();

} // namespace tq::addins
