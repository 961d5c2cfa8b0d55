// REDivor: the chart of an analysis result.
//
//   REDivor [--app-dir DIR] [--png OUT] /F FILE /T TITLE...
//   REDivor [--app-dir DIR] --register
//
// FILE is the result table the main program wrote (REDivor.csv); the title
// runs to the end of the line. With --png the chart is rendered into OUT and
// the program ends without showing a window. Exit status: 0 shown or written,
// 1 a missing or unreadable table, 2 a bad command line or a PNG that cannot
// be written. --register only writes the add-in's registry row.

#include "AddinStart.h"
#include "ChartData.h"
#include "ChartWindow.h"
#include "HeadlessRender.h"

#include <QApplication>
#include <QMessageBox>

namespace {

const tq::addins::AddinIdentity kIdentity{QStringLiteral("REDivor"), QStringLiteral("グラフ")};

struct GraphArguments {
    QString file;
    QString title;
};

// "/F FILE /T TITLE...": everything after /T is the title.
GraphArguments graphArguments(const QStringList& rest)
{
    GraphArguments graph;
    for (int i = 0; i < rest.size(); ++i) {
        const QString flag = rest.at(i).toUpper();
        if (flag == QLatin1String("/T")) {
            graph.title = rest.mid(i + 1).join(QLatin1Char(' '));
            break;
        }
        if (flag == QLatin1String("/F") && i + 1 < rest.size())
            graph.file = rest.at(++i);
    }
    return graph;
}

void printError(const QString& text)
{
    tq::addins::printAddinError(kIdentity, text);
}

// The chart registers itself so that the main program shows its graph menu;
// the chart works without the database.
bool registerInDatabase(const QString& appDirOption)
{
    tq::addins::AddinContext addin;
    const QString problem =
        tq::addins::openAddinDatabase(addin.ctx, tq::addins::addinProgramDir(appDirOption), kIdentity);
    if (!problem.isEmpty())
        printError(QStringLiteral("アドイン管理に登録できません（") + problem + QStringLiteral("）"));
    return problem.isEmpty();
}

} // namespace

int main(int argc, char** argv)
{
    const tq::addins::AddinOptions options = tq::addins::startAddin(argc, argv);
    const GraphArguments graph = graphArguments(options.rest);
    // A bad command line is told before the window system is needed.
    if (!options.error.isEmpty() || (!options.registerOnly && graph.file.isEmpty())) {
        printError(options.error.isEmpty()
                       ? QStringLiteral("usage: REDivor [--app-dir DIR] [--png OUT] /F FILE /T TITLE | --register")
                       : options.error);
        return 2;
    }
    QApplication app(argc, argv);
    tq::addins::setAddinFont();
    if (options.registerOnly)
        return registerInDatabase(options.appDir) ? 0 : 2;
    registerInDatabase(options.appDir);

    QString error;
    auto table = tq::addins::chart::readChartTable(graph.file, error);
    if (!table) {
        const QString message = QStringLiteral("グラフを表示できません。\n") + error;
        if (!options.png.isEmpty())
            printError(message);
        else
            QMessageBox::warning(nullptr, kIdentity.displayName, message);
        return 1;
    }
    tq::addins::chart::ChartWindow window(std::move(*table), graph.title);
    if (!options.png.isEmpty())
        return tq::addins::renderPngStatus(window, QSize(1200, 860), options.png, kIdentity,
                                           [&] { return window.savePng(options.png); });
    window.show();
    return app.exec();
}
