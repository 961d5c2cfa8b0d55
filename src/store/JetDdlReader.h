#pragma once
// The data-definition layer of the Jet-to-SQLite rewriter, on the query layer
// (JetQueryReader.h), which reads the SELECT of CREATE VIEW. Internal to the
// store layer.
//
// Offers DdlReader: CREATE TABLE / INDEX / VIEW, ALTER TABLE and DROP, with
// Jet's column definitions (types, keys, defaults, references) rewritten for
// SQLite.

#include "store/JetQueryReader.h"

namespace tq::store::jet {

class DdlReader : public QueryReader {
protected:
    using QueryReader::QueryReader;

    QStringList createStatement();
    QStringList alterStatement();
    QString dropStatement();

    // One column of CREATE TABLE or ALTER TABLE ... ADD COLUMN.
    struct ColumnDef {
        QString lead;
        QString name;  // identifier text
        QString bare;  // name without brackets
        QString type;  // mapped type, COLLATE JET included for text
        bool isText = false;
        bool isBit = false;
        bool isCounter = false;
        bool notNull = false;
        QString defaultText; // " DEFAULT x"
        bool primaryKey = false;
        bool unique = false;
        QString keyName;     // constraint name (identifier text) of the PRIMARY KEY / UNIQUE
        QString constraints; // other constraints, as SQLite text
    };
    ColumnDef parseColumnDef(bool alter);
    QString mapType(QStringView name, const QString& size, bool* isText, bool* isBit, bool* isCounter) const;
    QString copyUntilListEnd(); // after REFERENCES: tokens up to "," or ")" at depth 0
    QString columnText(const ColumnDef& d, bool alter) const;
    QString columnList(QStringList* bareNames);
    QString createIndex(const QString& createHead);
    QString indexName(const QString& table, const QString& index) const;
};

} // namespace tq::store::jet
