#pragma once
// Rendering an add-in's window into a PNG file without showing it: for tests,
// scripts and screenshots.

#include <QSize>
#include <QString>

#include <functional>

class QWidget;

namespace tq::addins {

struct AddinIdentity;

// Lays `window` out at `size` without putting it on a screen, lets its
// widgets settle, then calls `save` (which renders what it likes of the
// window). Returns what `save` returned.
bool renderHeadless(QWidget& window, const QSize& size, const std::function<bool()>& save);

// renderHeadless into the PNG file `path` for an add-in run with --png: a
// file that cannot be written is told on stderr ("ID: path に書き込めません").
// Returns the add-in's exit status, 0 written or 2.
int renderPngStatus(QWidget& window, const QSize& size, const QString& path, const AddinIdentity& identity,
                    const std::function<bool()>& save);

// The full window into `path`.
bool grabWindowPng(QWidget& window, const QString& path);

// Sets the Japanese application font (Noto Sans CJK JP, then IPA fonts).
void setAddinFont();

} // namespace tq::addins
