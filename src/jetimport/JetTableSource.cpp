#include "jetimport/JetTableSource.h"

#include "jetimport/JetRows.h"
#include "jetimport/JetText.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <cstring>
#include <mutex>
#include <stdexcept>

namespace tq::jetimport {

namespace {

constexpr int kMemoHeader = 12;
constexpr quint32 kInlineValue = 0x80000000;
constexpr quint32 kSinglePageValue = 0x40000000;
constexpr quint32 kLengthMask = 0x3FFFFFFF;

std::runtime_error failure(const QString& text)
{
    return std::runtime_error(text.toStdString());
}

// libmdb reads MDB_JET3_CHARSET when it opens a file; Jet 3 files in code page
// 932 need "CP932" there (its own choice, "SHIFT-JIS", garbles ① and maps
// 0x8160 to U+301C), other code pages libmdb's own choice.
MdbHandle* openWithCharset(const QByteArray& path, const char* jet3Charset)
{
    static std::mutex envMutex;
    const std::lock_guard lock(envMutex);
    const QByteArray previous = qgetenv("MDB_JET3_CHARSET");
    const bool hadPrevious = qEnvironmentVariableIsSet("MDB_JET3_CHARSET");
    if (jet3Charset)
        qputenv("MDB_JET3_CHARSET", jet3Charset);
    MdbHandle* mdb = mdb_open(path.constData(), MDB_NOFLAGS);
    if (hadPrevious)
        qputenv("MDB_JET3_CHARSET", previous);
    else
        qunsetenv("MDB_JET3_CHARSET");
    return mdb;
}

template <typename T> T readLe(const unsigned char* p)
{
    return qFromLittleEndian<T>(p);
}

QString textSize(const MdbColumn* col, bool jet4)
{
    return QStringLiteral("(%1)").arg(jet4 ? col->col_size / 2 : col->col_size);
}

QString declaredType(const MdbColumn* col, bool jet4)
{
    switch (col->col_type) {
    case MDB_BOOL: return QStringLiteral("INTEGER BIT");
    case MDB_BYTE: return QStringLiteral("INTEGER BYTE");
    case MDB_INT: return QStringLiteral("INTEGER SHORT");
    case MDB_LONGINT: return QStringLiteral("INTEGER LONG");
    case MDB_COMPLEX: return QStringLiteral("INTEGER LONG");
    case MDB_MONEY: return QStringLiteral("REAL CURRENCY");
    case MDB_FLOAT: return QStringLiteral("REAL SINGLE");
    case MDB_DOUBLE: return QStringLiteral("REAL DOUBLE");
    case MDB_DATETIME: return QStringLiteral("REAL DATETIME");
    case MDB_BINARY: return QStringLiteral("BLOB BINARY") + textSize(col, false);
    case MDB_TEXT: return QStringLiteral("TEXT") + textSize(col, jet4) + QStringLiteral(" COLLATE JET");
    case MDB_OLE: return QStringLiteral("BLOB LONGBINARY");
    case MDB_MEMO: return QStringLiteral("TEXT MEMO COLLATE JET");
    case MDB_REPID: return QStringLiteral("TEXT GUID");
    case MDB_NUMERIC: return QStringLiteral("REAL DECIMAL(%1,%2)").arg(col->col_prec).arg(col->col_scale);
    default: return QStringLiteral("BLOB");
    }
}

// The size in bytes of a fixed-size type, 0 for the others.
int fixedSize(int type)
{
    switch (type) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT:
    case MDB_COMPLEX:
    case MDB_FLOAT: return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME: return 8;
    case MDB_REPID: return 16;
    case MDB_NUMERIC: return 17;
    default: return 0;
    }
}

struct TableDefDeleter {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefDeleter>;

// Why the definition (with its columns) cannot be used; empty when it can.
// More columns than libmdb's row buffers hold cannot be real.
QString definitionDamage(MdbTableDef* t)
{
    if (!t)
        return QStringLiteral("its definition cannot be read");
    if (t->num_cols == 0 || t->num_cols > MDB_MAX_COLS)
        return QStringLiteral("its definition states %1 columns").arg(t->num_cols);
    if (!mdb_read_columns(t) || t->columns->len != t->num_cols)
        return QStringLiteral("its column definitions cannot be read");
    return {};
}

void checkCancelled(const std::function<bool()>& cancelled)
{
    if (cancelled && cancelled())
        throw ImportCancelled();
}

// The catalogue (MSysObjects, whose definition is always page 2) read the
// way libmdb reads it, counted against the rows its definition states: a
// catalogue page that cannot be read takes the tables listed on it along
// unseen. Returns the damage, empty when every entry can be read. Throws when
// a row's header does not fit, since libmdb would crack it unchecked.
QString catalogueDamage(MdbHandle* mdb)
{
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;
    std::strcpy(entry.object_name, "MSysObjects");
    TableDefPtr t(mdb_read_table(&entry));
    if (const QString why = definitionDamage(t.get()); !why.isEmpty())
        throw failure(QStringLiteral("the table catalogue cannot be read (%1)").arg(why));
    const int maxColumns = maxRowColumns(t.get());
    qint64 rows = 0, lost = 0;
    forEachRow(
        t.get(),
        [&](int start, std::size_t size) {
            if (const QString why = rowHeaderDamage(t.get(), maxColumns, start, size); !why.isEmpty())
                throw failure(QStringLiteral("the table catalogue is damaged (%1)").arg(why));
            ++rows;
            return true;
        },
        [&](const QString&) { ++lost; });
    if (lost == 0 && rows == qint64(t->num_rows))
        return {};
    return QStringLiteral("the table catalogue is damaged: it states %1 entries, %2 can be read, so tables may be missing")
        .arg(t->num_rows)
        .arg(rows);
}

} // namespace

struct JetTableSource::State {
    MdbHandle* mdb = nullptr;
    bool jet4 = false;
    qint64 fileSize = 0;
    QString damage; // of the catalogue
    std::unique_ptr<CodePageDecoder> codePage; // Jet 3 text

    ~State()
    {
        if (mdb)
            mdb_close(mdb);
    }

    TableDefPtr openTable(const QString& name)
    {
        QByteArray n = name.toUtf8();
        TableDefPtr t(mdb_read_table_by_name(mdb, n.data(), MDB_TABLE));
        if (const QString why = definitionDamage(t.get()); !why.isEmpty())
            throw failure(QStringLiteral("table %1 cannot be read (%2)").arg(name, why));
        return t;
    }

    // A memo or OLE value: the 12-byte header in the row, the data inline or
    // on long-value pages (one page, or a chain whose rows start with the
    // pointer to the next). Returns why it cannot be read whole, empty when
    // `out` holds it. A declared length beyond the file's size cannot be
    // real; the chain walk visits each page row once and stops at the
    // declared length; the cancel question is asked at every page.
    QString readLongValue(const unsigned char* p, int size, QByteArray& out, const std::function<bool()>& cancelled)
    {
        if (size < kMemoHeader)
            return QStringLiteral("a long value header of %1 bytes").arg(size);
        const quint32 header = readLe<quint32>(p);
        const qsizetype length = qsizetype(header & kLengthMask);
        if (length > fileSize)
            return QStringLiteral("a long value declares %1 bytes, more than the file holds").arg(length);
        if (header & kInlineValue) {
            if (size - kMemoHeader != length)
                return QStringLiteral("a long value of %1 bytes declares %2").arg(size - kMemoHeader).arg(length);
            out = QByteArray(reinterpret_cast<const char*>(p + kMemoHeader), length);
            return {};
        }
        const bool chain = (header & kSinglePageValue) == 0;
        const int skip = chain ? 4 : 0;
        qint32 pgRow = readLe<qint32>(p + 4);
        QSet<qint32> visited;
        out.clear();
        out.reserve(length);
        while (out.size() < length) {
            checkCancelled(cancelled);
            if (pgRow == 0)
                return QStringLiteral("a long value ends after %1 of its %2 bytes").arg(out.size()).arg(length);
            if (visited.contains(pgRow))
                return QStringLiteral("a long value's pages run in a circle (page %1)").arg(quint32(pgRow) >> 8);
            visited.insert(pgRow);
            void* buf = nullptr;
            int off = 0;
            size_t len = 0;
            if (mdb_find_pg_row(mdb, pgRow, &buf, &off, &len) != 0 || len < size_t(skip))
                return QStringLiteral("page %1 of a long value cannot be read").arg(quint32(pgRow) >> 8);
            const auto* row = static_cast<const unsigned char*>(buf) + off;
            const qsizetype part = qsizetype(len) - skip;
            if (chain && part > length - out.size())
                return QStringLiteral("a long value's pages hold more than its %1 bytes").arg(length);
            out.append(reinterpret_cast<const char*>(row + skip), std::min(part, length - out.size()));
            pgRow = chain ? readLe<qint32>(row) : 0;
            if (!chain && out.size() < length)
                return QStringLiteral("a long value of %1 bytes declares %2").arg(out.size()).arg(length);
        }
        return {};
    }

    QString decodeText(QByteArrayView bytes, bool& failed)
    {
        return jet4 ? decodeJet4Text(bytes, failed) : codePage->decode(bytes, failed);
    }

    Cell decode(const MdbColumn* col, const MdbField& f, CellProblem& problem, const std::function<bool()>& cancelled)
    {
        if (col->col_type == MDB_BOOL)
            return qint64(f.is_null ? 0 : -1);
        if (f.is_null)
            return {};
        const unsigned char* p = mdb->pg_buf + f.start;
        const int type = col->col_type;
        if (f.siz < fixedSize(type)) {
            problem.reason = QStringLiteral("%1 bytes for a value of type %2").arg(f.siz).arg(type);
            problem.damaged = true;
            return {};
        }
        bool failed = false;
        switch (type) {
        case MDB_BYTE: return qint64(p[0]);
        case MDB_INT: return qint64(readLe<qint16>(p));
        case MDB_LONGINT:
        case MDB_COMPLEX: return qint64(readLe<qint32>(p));
        case MDB_MONEY: return double(readLe<qint64>(p)) / 10000.0;
        case MDB_FLOAT: {
            float v;
            std::memcpy(&v, p, 4);
            return singleValue(v);
        }
        case MDB_DOUBLE:
        case MDB_DATETIME: {
            double v;
            std::memcpy(&v, p, 8);
            return v;
        }
        case MDB_BINARY: return QByteArray(reinterpret_cast<const char*>(p), f.siz);
        case MDB_TEXT: {
            QString text = decodeText(QByteArrayView(p, f.siz), failed);
            if (failed)
                problem.reason = QStringLiteral("text not decodable");
            return text;
        }
        case MDB_MEMO:
        case MDB_OLE: {
            QByteArray bytes;
            if (const QString why = readLongValue(p, f.siz, bytes, cancelled); !why.isEmpty()) {
                problem.reason = why;
                problem.damaged = true;
                return {};
            }
            if (type == MDB_OLE)
                return bytes;
            QString text = decodeText(bytes, failed);
            if (failed)
                problem.reason = QStringLiteral("text not decodable");
            return text;
        }
        case MDB_REPID: {
            char* s = mdb_uuid_to_string(mdb->pg_buf, f.start);
            const QString text = QString::fromLatin1(s);
            g_free(s);
            return text;
        }
        case MDB_NUMERIC: {
            char* s = mdb_numeric_to_string(mdb, f.start, col->col_scale, col->col_prec);
            bool ok = false;
            const double v = QByteArray(s).toDouble(&ok);
            g_free(s);
            if (ok)
                return v;
            problem.reason = QStringLiteral("decimal not readable");
            return {};
        }
        default: problem.reason = QStringLiteral("unsupported column type %1").arg(type); return {};
        }
    }
};

JetTableSource::JetTableSource(const QString& path) : m(std::make_unique<State>())
{
    const QByteArray name = QFile::encodeName(path);
    m->fileSize = QFileInfo(path).size();
    m->mdb = openWithCharset(name, nullptr);
    if (!m->mdb)
        throw failure(QStringLiteral("it cannot be opened as a Jet database"));
    m->jet4 = m->mdb->f->jet_version != MDB_VER_JET3;
    if (!m->jet4) {
        const int codePage = m->mdb->f->code_page;
        if (codePage == 932) {
            mdb_close(m->mdb);
            m->mdb = openWithCharset(name, "CP932");
            if (!m->mdb)
                throw failure(QStringLiteral("it cannot be opened as a Jet database"));
        }
        m->codePage = std::make_unique<CodePageDecoder>(charsetOfCodePage(codePage).constData());
    }
    m->damage = catalogueDamage(m->mdb);
    if (!mdb_read_catalog(m->mdb, MDB_TABLE))
        throw failure(QStringLiteral("the table catalogue cannot be read"));
}

QString JetTableSource::damage() const
{
    return m->damage;
}

JetTableSource::~JetTableSource() = default;

int JetTableSource::jetVersion() const
{
    return m->jet4 ? 4 : 3;
}

QList<TableInfo> JetTableSource::tables()
{
    QList<TableInfo> out;
    for (guint i = 0; i < m->mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(m->mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry))
            continue;
        TableInfo info;
        info.name = QString::fromUtf8(entry->object_name);
        TableDefPtr t(mdb_read_table(entry));
        info.unreadable = definitionDamage(t.get());
        if (info.unreadable.isEmpty()) {
            info.rowCount = t->num_rows;
            for (guint c = 0; c < t->num_cols; ++c) {
                const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(t->columns, c));
                info.columns.append({QString::fromUtf8(col->name), declaredType(col, m->jet4)});
            }
        }
        out.append(info);
    }
    return out;
}

void JetTableSource::readRows(const TableInfo& table, const RowHandlers& handlers)
{
    TableDefPtr t = m->openTable(table.name);
    if (int(t->num_cols) != table.columns.size())
        throw failure(QStringLiteral("table %1 changed while it was read").arg(table.name));
    const int maxColumns = maxRowColumns(t.get());
    std::vector<MdbField> fields(MDB_MAX_COLS);
    std::vector<Cell> row(t->num_cols);
    QList<CellProblem> problems;
    const auto damaged = [&](const QString& why) {
        if (handlers.damaged)
            handlers.damaged(why);
    };
    // Each row's header is checked before libmdb cracks it, and the fields it
    // makes before their bytes are read; the values come from the row's bytes
    // and its null bitmap.
    forEachRow(
        t.get(),
        [&](int start, std::size_t size) {
            if (const QString why = rowHeaderDamage(t.get(), maxColumns, start, size); !why.isEmpty()) {
                damaged(why);
                return true;
            }
            const int rowColumns = mdb_crack_row(t.get(), start, size, fields.data());
            if (rowColumns < 0) {
                damaged(QStringLiteral("the row's offsets do not fit its bytes"));
                return true;
            }
            if (const QString why = rowFieldsDamage(t.get(), fields.data(), rowColumns, start, size); !why.isEmpty()) {
                damaged(why);
                return true;
            }
            problems.clear();
            for (guint c = 0; c < t->num_cols; ++c) {
                const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(t->columns, c));
                MdbField& field = fields[c];
                if (!columnInRow(col, rowColumns))
                    field.is_null = 1;
                CellProblem problem{int(c), {}, false};
                row[c] = m->decode(col, field, problem, handlers.cancelled);
                if (!problem.reason.isEmpty())
                    problems.append(problem);
            }
            return handlers.row(row, problems);
        },
        damaged);
}

} // namespace tq::jetimport
