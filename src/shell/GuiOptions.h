#pragma once
// The GUI's command-line options (after --app-dir was taken out):
//
//   [FILE.tqb] [--open FILE] [--view FILE] [--run] [--tab NAME] [--size WxH]
//   [--screenshot PNG] [--split YYYY/MM/DD] [--intervals]
//
// --open (or a first argument ending in .tqb) opens a condition file into a
// new document after start-up; --view opens a condition file in a viewer
// after it; --run runs the opened document's analysis; --tab shows one of
// the document's tabs (conditions, result, list, history); --size gives the
// main window's size in pixels instead of the stored one. --screenshot renders
// the main window into a PNG file once all that is done and ends the program:
// a non-interactive start that shows no modal dialog. --split and
// --intervals set the opened document's check options before it runs (the
// discovery/validation split from that date, the return-rate intervals);
// --tab check shows their tab.

#include <QDate>
#include <QSize>
#include <QString>
#include <QStringList>

namespace tq::shell {

struct GuiOptions {
    QString openFile;
    QString viewFile;
    bool run = false;
    int tab = -1; // -1: the tab the document shows by itself
    QSize size;   // invalid: the stored geometry (or, with a screenshot, the screen)
    QString screenshotFile;
    QDate splitDate;        // invalid: no split
    bool intervals = false;

    bool screenshot() const { return !screenshotFile.isEmpty(); }
};

// Whether the arguments start the GUI rather than a subcommand: none at all,
// a first argument that is one of the options above, or a condition file.
bool isGuiCommandLine(const QStringList& args);

// Parses the GUI's arguments into `options`. Returns an empty text on success,
// otherwise what is wrong (an unknown argument, a missing value, a file to
// open that cannot be read, --run without a file).
QString parseGuiOptions(const QStringList& args, GuiOptions& options);

// The index of a tab name (conditions 0, result 1, list 2, history 3,
// check 4), or -1.
int guiTabIndex(const QString& name);

} // namespace tq::shell
