#pragma once
// Set-up the benchmarks of windows share: windows rendered offscreen in the
// fonts their screenshots are read in, and the options of the favourites
// benchmarks (--favourites N, --groups G, --shots DIR).

#include <QApplication>
#include <QFont>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace tq::bench {

// Before the application is made: offscreen unless a platform was chosen.
inline void renderOffscreenUnlessChosen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// After the application is made.
inline void useJapaneseFont()
{
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAexGothic")});
    QApplication::setFont(font);
}

struct FavouriteBenchOptions {
    int favourites = 10000;
    int groups = 200;
    QString shots; // a folder for screenshots instead of the timings
};

inline FavouriteBenchOptions favouriteBenchOptions(const QStringList& args)
{
    FavouriteBenchOptions options;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--favourites"))
            options.favourites = args[++i].toInt();
        else if (args[i] == QLatin1String("--groups"))
            options.groups = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--shots"))
            options.shots = args[++i];
    }
    return options;
}

} // namespace tq::bench
