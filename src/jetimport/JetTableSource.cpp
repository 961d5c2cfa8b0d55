#include "jetimport/JetTableSource.h"

#include "jetimport/JetText.h"

// glib first: mdbtools.h includes it inside extern "C", where its C++ templates fail.
#include <glib.h>
#include <mdbtools.h>

#include <QFile>
#include <QtEndian>

#include <cstring>
#include <mutex>
#include <stdexcept>

namespace tq::jetimport {

namespace {

constexpr int kOffsetMask = 0x1FFF; // row offsets carry flags in their top bits
constexpr int kMemoHeader = 12;

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

} // namespace

struct JetTableSource::State {
    MdbHandle* mdb = nullptr;
    bool jet4 = false;
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
        if (!t)
            throw failure(QStringLiteral("table %1 cannot be read").arg(name));
        mdb_read_columns(t.get());
        return t;
    }

    // A memo or OLE value: the 12-byte header in the row, the data inline or
    // on long-value pages (one page, or a chain whose rows start with the
    // pointer to the next). Returns false when the chain is broken.
    bool readLongValue(const unsigned char* p, int size, QByteArray& out)
    {
        if (size < kMemoHeader)
            return false;
        const quint32 header = readLe<quint32>(p);
        const qsizetype length = qsizetype(header & 0x3FFFFFFF);
        if (header & 0x80000000) {
            out = QByteArray(reinterpret_cast<const char*>(p + kMemoHeader), size - kMemoHeader);
            return out.size() == length;
        }
        qint32 pgRow = readLe<qint32>(p + 4);
        const bool chain = (header & 0x40000000) == 0;
        out.reserve(length);
        while (pgRow != 0 && out.size() < length) {
            void* buf = nullptr;
            int off = 0;
            size_t len = 0;
            if (mdb_find_pg_row(mdb, pgRow, &buf, &off, &len) != 0)
                return false;
            const auto* row = static_cast<const unsigned char*>(buf) + (off & kOffsetMask);
            const int skip = chain ? 4 : 0;
            if (len < size_t(skip))
                return false;
            out.append(reinterpret_cast<const char*>(row + skip), qsizetype(len) - skip);
            pgRow = chain ? readLe<qint32>(row) : 0;
        }
        out.truncate(length);
        return out.size() == length;
    }

    QString decodeText(QByteArrayView bytes, bool& failed)
    {
        return jet4 ? decodeJet4Text(bytes, failed) : codePage->decode(bytes, failed);
    }

    Cell decode(const MdbColumn* col, const MdbField& f, QString& problem)
    {
        if (col->col_type == MDB_BOOL)
            return qint64(f.is_null ? 0 : -1);
        if (f.is_null)
            return {};
        const unsigned char* p = mdb->pg_buf + f.start;
        const int type = col->col_type;
        if (f.siz < fixedSize(type)) {
            problem = QStringLiteral("%1 bytes for a value of type %2").arg(f.siz).arg(type);
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
                problem = QStringLiteral("text not decodable");
            return text;
        }
        case MDB_MEMO:
        case MDB_OLE: {
            QByteArray bytes;
            if (!readLongValue(p, f.siz, bytes)) {
                problem = QStringLiteral("long value incomplete");
                return {};
            }
            if (type == MDB_OLE)
                return bytes;
            QString text = decodeText(bytes, failed);
            if (failed)
                problem = QStringLiteral("text not decodable");
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
            problem = QStringLiteral("decimal not readable");
            return {};
        }
        default: problem = QStringLiteral("unsupported column type %1").arg(type); return {};
        }
    }
};

JetTableSource::JetTableSource(const QString& path) : m(std::make_unique<State>())
{
    const QByteArray name = QFile::encodeName(path);
    m->mdb = openWithCharset(name, nullptr);
    if (!m->mdb)
        throw failure(QStringLiteral("%1 cannot be opened as a Jet database").arg(path));
    m->jet4 = m->mdb->f->jet_version != MDB_VER_JET3;
    if (!m->jet4) {
        const int codePage = m->mdb->f->code_page;
        if (codePage == 932) {
            mdb_close(m->mdb);
            m->mdb = openWithCharset(name, "CP932");
            if (!m->mdb)
                throw failure(QStringLiteral("%1 cannot be opened as a Jet database").arg(path));
        }
        m->codePage = std::make_unique<CodePageDecoder>(charsetOfCodePage(codePage).constData());
    }
    if (!mdb_read_catalog(m->mdb, MDB_TABLE))
        throw failure(QStringLiteral("%1: the table catalogue cannot be read").arg(path));
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
        TableDefPtr t(mdb_read_table(entry));
        if (!t)
            throw failure(QStringLiteral("table %1 cannot be read").arg(QString::fromUtf8(entry->object_name)));
        mdb_read_columns(t.get());
        TableInfo info;
        info.name = QString::fromUtf8(entry->object_name);
        info.rowCount = t->num_rows;
        for (guint c = 0; c < t->num_cols; ++c) {
            const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(t->columns, c));
            info.columns.append({QString::fromUtf8(col->name), declaredType(col, m->jet4)});
        }
        out.append(info);
    }
    return out;
}

void JetTableSource::readRows(const TableInfo& table, const RowSink& sink)
{
    TableDefPtr t = m->openTable(table.name);
    if (int(t->num_cols) != table.columns.size())
        throw failure(QStringLiteral("table %1 changed while it was read").arg(table.name));
    mdb_rewind_table(t.get());
    std::vector<MdbField> fields(MDB_MAX_COLS);
    std::vector<Cell> row(t->num_cols);
    QList<CellProblem> problems;
    // No column is bound, so mdb_fetch_row only finds the next live row; its
    // bytes are then cracked here, with the null bitmap.
    while (mdb_fetch_row(t.get())) {
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(m->mdb, int(t->cur_row) - 1, &start, &size) != 0)
            throw failure(QStringLiteral("table %1: a row cannot be located").arg(table.name));
        const int n = mdb_crack_row(t.get(), start & kOffsetMask, size, fields.data());
        std::fill(row.begin(), row.end(), Cell{});
        problems.clear();
        for (int i = 0; i < n; ++i) {
            const int c = fields[std::size_t(i)].colnum;
            if (c < 0 || c >= int(t->num_cols))
                continue;
            const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(t->columns, guint(c)));
            QString problem;
            row[std::size_t(c)] = m->decode(col, fields[std::size_t(i)], problem);
            if (!problem.isEmpty())
                problems.append({c, problem});
        }
        if (!sink(row, problems))
            return;
    }
}

} // namespace tq::jetimport
