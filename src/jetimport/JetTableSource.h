#pragma once
// Tables of a Jet (.mdb) file read with libmdb. The file is opened read-only
// and never written.
//
// What libmdb gets wrong is read here from the raw row bytes instead: Null is
// told apart from the empty text by the row's null bitmap; booleans come from
// that bitmap (-1 true, 0 false, never Null); dates are the stored double
// (days since 1899-12-30) whatever the year; singles are rounded to 7
// significant digits; Jet 4 text is decoded here (surrogate pairs kept); Jet 3
// text in the file's code page (CP932 through iconv's "CP932", whose table
// matches Windows'); memo and OLE values are read whole from their pages and
// binary values byte for byte.

#include "jetimport/TableSource.h"

#include <memory>

namespace tq::jetimport {

class JetTableSource final : public TableSource {
public:
    // Throws std::runtime_error when the file cannot be opened as a Jet file.
    explicit JetTableSource(const QString& path);
    ~JetTableSource() override;
    JetTableSource(const JetTableSource&) = delete;
    JetTableSource& operator=(const JetTableSource&) = delete;

    QList<TableInfo> tables() override;
    QString damage() const override;
    void readRows(const TableInfo& table, const RowHandlers& handlers) override;

    // 3 or 4 (ACE files count as 4).
    int jetVersion() const;

private:
    struct State;
    std::unique_ptr<State> m;
};

} // namespace tq::jetimport
