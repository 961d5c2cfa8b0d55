// `sql DB "JET SQL"`: runs one Jet statement against a database (with its
// links) and prints the rows as an aligned table, or the number of rows the
// statement changed. A console for power users and for checking the layer.

#include "Commands.h"

#include "store/Database.h"
#include "store/Operations.h"

#include <QDir>

#include <cstdio>
#include <vector>

namespace tq::app {

namespace {

// Columns a character takes in a terminal: East Asian wide and full-width
// characters take two, everything else one.
int charWidth(char32_t c)
{
    if (c < 0x1100)
        return 1;
    const bool wide = (c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) || (c >= 0xAC00 && c <= 0xD7A3)
        || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
        || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) || (c >= 0x20000 && c <= 0x3FFFD);
    return wide ? 2 : 1;
}

int displayWidth(const QString& text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4())
        width += charWidth(c);
    return width;
}

QString pad(const QString& text, int width, bool right)
{
    const QString blanks(qMax(0, width - displayWidth(text)), u' ');
    return right ? blanks + text : text + blanks;
}

void print(FILE* out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), out);
}

// One cell as shown: Null as "Null", line breaks and tabs as blanks.
QString cellText(const store::Field& field)
{
    if (field.isNull())
        return QStringLiteral("Null");
    QString text = field.toText();
    for (QChar& c : text)
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    return text;
}

int printRows(store::Database& db, const QString& jetSql)
{
    store::Recordset rs = db.openRecordset(jetSql);
    const int columns = rs.fieldCount();
    std::vector<QStringList> rows;
    std::vector<int> widths(size_t(columns), 0);
    std::vector<bool> numeric(size_t(columns), true);
    QStringList header;
    for (int i = 0; i < columns; ++i) {
        header << rs.fieldName(i);
        widths[size_t(i)] = displayWidth(header.last());
    }
    while (!rs.isEOF()) {
        QStringList row;
        for (int i = 0; i < columns; ++i) {
            const store::Field field = rs.field(i);
            const store::Value value = field.value();
            if (value.kind() == store::Value::Kind::Text)
                numeric[size_t(i)] = false;
            row << cellText(field);
            widths[size_t(i)] = qMax(widths[size_t(i)], displayWidth(row.last()));
        }
        rows.push_back(row);
        rs.moveNext();
    }

    auto line = [&](const QStringList& cells, bool isHeader) {
        QString text;
        for (int i = 0; i < columns; ++i) {
            if (i > 0)
                text += QStringLiteral(" | ");
            text += pad(cells[i], widths[size_t(i)], !isHeader && numeric[size_t(i)]);
        }
        while (text.endsWith(u' '))
            text.chop(1);
        print(stdout, text + u'\n');
    };
    line(header, true);
    QString rule;
    for (int i = 0; i < columns; ++i)
        rule += (i > 0 ? QStringLiteral("-+-") : QString()) + QString(widths[size_t(i)], u'-');
    print(stdout, rule + u'\n');
    for (const QStringList& row : rows)
        line(row, false);
    print(stdout, QStringLiteral("(%1 row%2)\n").arg(rows.size()).arg(rows.size() == 1 ? "" : "s"));
    return 0;
}

} // namespace

int runSql(const CommandLine& cl)
{
    if (cl.args.size() != 2) {
        std::fputs("usage: DEVovuved sql DB \"JET SQL\"\n", stderr);
        return 2;
    }
    const QString path = cl.args.at(0);
    const QString jetSql = cl.args.at(1);
    try {
        // An existing database only: a mistyped path must not leave a new file.
        auto db = store::openWithRetry(QDir::current().absoluteFilePath(path));
        if (db->returnsRows(jetSql))
            return printRows(*db, jetSql);
        const int changed = db->execute(jetSql);
        print(stdout, QStringLiteral("%1 rows changed\n").arg(changed));
        return 0;
    } catch (const store::DbError& e) {
        print(stderr, QStringLiteral("error: ") + e.engineMessage() + u'\n');
        if (!e.jetSql().isEmpty())
            print(stderr, QStringLiteral("Jet SQL: ") + e.jetSql() + u'\n');
        if (!e.sqliteSql().isEmpty())
            print(stderr, QStringLiteral("SQLite SQL: ") + e.sqliteSql() + u'\n');
        return 1;
    }
}

} // namespace tq::app
