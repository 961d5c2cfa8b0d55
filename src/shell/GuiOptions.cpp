#include "shell/GuiOptions.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace tq::shell {

namespace {

const QStringList kValueOptions{QStringLiteral("--open"), QStringLiteral("--view"), QStringLiteral("--tab"),
                                QStringLiteral("--size"), QStringLiteral("--screenshot"),
                                QStringLiteral("--split")};

bool isConditionFileName(const QString& arg)
{
    return !arg.startsWith(QLatin1Char('-')) && arg.endsWith(QStringLiteral(".tqb"), Qt::CaseInsensitive);
}

QSize parseSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{2,5})[xX](\\d{2,5})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    return m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
}

// Stores the value of one option; returns what is wrong with it, or nothing.
QString takeValue(const QString& option, const QString& value, GuiOptions& options)
{
    if (option == QLatin1String("--open")) {
        options.openFile = value;
    } else if (option == QLatin1String("--view")) {
        options.viewFile = value;
    } else if (option == QLatin1String("--tab")) {
        options.tab = guiTabIndex(value);
        if (options.tab < 0)
            return QStringLiteral("--tab takes conditions, result, list, history or check, not ") + value;
    } else if (option == QLatin1String("--size")) {
        options.size = parseSize(value);
        if (!options.size.isValid())
            return QStringLiteral("--size takes WIDTHxHEIGHT in pixels, not ") + value;
    } else if (option == QLatin1String("--split")) {
        options.splitDate = QDate::fromString(value, QStringLiteral("yyyy/MM/dd"));
        if (!options.splitDate.isValid())
            return QStringLiteral("--split takes a date YYYY/MM/DD, not ") + value;
    } else {
        options.screenshotFile = value;
    }
    return {};
}

} // namespace

int guiTabIndex(const QString& name)
{
    static const QStringList names{QStringLiteral("conditions"), QStringLiteral("result"), QStringLiteral("list"),
                                   QStringLiteral("history"), QStringLiteral("check")};
    return int(names.indexOf(name));
}

bool isGuiCommandLine(const QStringList& args)
{
    if (args.isEmpty())
        return true;
    const QString& first = args.first();
    return kValueOptions.contains(first) || first == QLatin1String("--run") || first == QLatin1String("--intervals") ||
           isConditionFileName(first);
}

QString parseGuiOptions(const QStringList& args, GuiOptions& options)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--run")) {
            options.run = true;
            continue;
        }
        if (arg == QLatin1String("--intervals")) {
            options.intervals = true;
            continue;
        }
        if (kValueOptions.contains(arg)) {
            if (i + 1 >= args.size())
                return arg + QStringLiteral(" needs a value");
            const QString error = takeValue(arg, args.at(++i), options);
            if (!error.isEmpty())
                return error;
            continue;
        }
        if (options.openFile.isEmpty() && isConditionFileName(arg)) {
            options.openFile = arg;
            continue;
        }
        return QStringLiteral("unknown argument: ") + arg;
    }
    for (const QString& file : {options.openFile, options.viewFile})
        if (!file.isEmpty() && !QFileInfo(file).isReadable())
            return QStringLiteral("cannot read ") + file;
    if (options.run && options.openFile.isEmpty())
        return QStringLiteral("--run needs a condition file to open");
    return {};
}

} // namespace tq::shell
