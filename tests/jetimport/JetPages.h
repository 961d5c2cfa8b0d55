#pragma once
// The pages of a Jet file's bytes, found the way libmdb reads them, so the
// tests can damage exactly the byte they mean to.
//
// Byte 0x14 of page 0 is 0 for Jet 3 (2 KiB pages), else Jet 4 (4 KiB). A
// table definition page starts with 02 01; its row count is at byte 12 (Jet 3)
// or 16 (Jet 4) and its column names follow the column entries. A data page
// starts with 01 01 and holds at byte 4 the page of its table's definition
// ("LVAL" on a long-value page), at byte 8 (Jet 3) or 12 (Jet 4) its row count
// and then one 2-byte offset per row (flags in the top three bits; row 0 ends
// at the page end, row n at the start of row n - 1). The catalogue's
// definition is page 2. A memo or OLE value in a row is a 12-byte header: the
// length in the low 30 bits of a 32-bit word, the top two bits 0 for a chain
// of long-value rows (each starting with the 4-byte pointer page << 8 | row of
// the next), then the pointer of its first row.

#include <QByteArray>
#include <QList>
#include <QtEndian>

#include <optional>

namespace tq::testing {

class JetPages {
public:
    explicit JetPages(QByteArray fileBytes) : bytes(std::move(fileBytes)) {}

    bool jet3() const { return bytes.size() > 0x14 && bytes[0x14] == 0; }
    int pageSize() const { return jet3() ? 2048 : 4096; }
    int pages() const { return int(bytes.size() / pageSize()); }
    qsizetype at(int page, int offset = 0) const { return qsizetype(page) * pageSize() + offset; }

    quint32 le32(qsizetype offset) const { return qFromLittleEndian<quint32>(bytes.constData() + offset); }
    int le16(qsizetype offset) const { return qFromLittleEndian<quint16>(bytes.constData() + offset); }
    void putLe32(qsizetype offset, quint32 value) { qToLittleEndian(value, bytes.data() + offset); }

    bool isDefinition(int page) const { return bytes[at(page)] == 2 && bytes[at(page, 1)] == 1; }
    bool isData(int page) const { return bytes[at(page)] == 1 && bytes[at(page, 1)] == 1; }
    bool isLongValue(int page) const { return isData(page) && bytes.mid(at(page, 4), 4) == "LVAL"; }
    quint32 owner(int page) const { return le32(at(page, 4)); }

    qsizetype rowCountAt(int definition) const { return at(definition, jet3() ? 12 : 16); }
    int rowCountOffset() const { return jet3() ? 8 : 12; }
    int rows(int page) const { return le16(at(page, rowCountOffset())); }
    int rowOffset(int page, int row) const { return le16(at(page, rowCountOffset() + 2 + 2 * row)); }
    qsizetype rowStart(int page, int row) const { return at(page, rowOffset(page, row) & 0x1FFF); }
    qsizetype rowEnd(int page, int row) const
    {
        return row == 0 ? at(page + 1) : at(page, rowOffset(page, row - 1) & 0x1FFF);
    }

    // The first definition page holding every one of the (ASCII) column names.
    int definitionWith(const QList<QByteArray>& names) const
    {
        for (int p = 0; p < pages(); ++p) {
            if (!isDefinition(p))
                continue;
            const QByteArray page = bytes.mid(at(p), pageSize());
            bool all = true;
            for (const QByteArray& n : names)
                all = all && page.contains(jet3() ? n : utf16(n));
            if (all)
                return p;
        }
        return -1;
    }

    // The data pages of the table defined at `definition`, in file order.
    QList<int> dataPages(int definition) const
    {
        QList<int> out;
        for (int p = 0; p < pages(); ++p)
            if (isData(p) && !isLongValue(p) && owner(p) == quint32(definition))
                out << p;
        return out;
    }

    // The first long-value row that continues in another one: its page and
    // row, and the file offset of its pointer to the next.
    struct ChainRow {
        int page;
        int row;
        qsizetype next;
    };
    std::optional<ChainRow> chainRow() const
    {
        for (int p = 0; p < pages(); ++p) {
            if (!isLongValue(p))
                continue;
            for (int r = 0; r < rows(p); ++r) {
                if (rowOffset(p, r) & 0xC000)
                    continue;
                const quint32 next = le32(rowStart(p, r));
                if (pointsToLongValueRow(next))
                    return ChainRow{p, r, rowStart(p, r)};
            }
        }
        return std::nullopt;
    }

    // The file offset of the first memo or OLE header in a live row of the
    // table defined at `definition` whose value is a chain of long-value rows.
    std::optional<qsizetype> chainHeader(int definition) const
    {
        for (int p : dataPages(definition)) {
            for (int r = 0; r < rows(p); ++r) {
                if (rowOffset(p, r) & 0xC000)
                    continue;
                for (qsizetype o = rowStart(p, r); o + 12 <= rowEnd(p, r); ++o) {
                    const quint32 header = le32(o);
                    if ((header & 0xC0000000) == 0 && header > 0 && pointsToLongValueRow(le32(o + 4)) &&
                        isChainStart(le32(o + 4)))
                        return o;
                }
            }
        }
        return std::nullopt;
    }

    QByteArray bytes;

private:
    static QByteArray utf16(const QByteArray& ascii)
    {
        QByteArray out;
        for (char c : ascii)
            out.append(c).append('\0');
        return out;
    }

    bool pointsToLongValueRow(quint32 pgRow) const
    {
        const int page = int(pgRow >> 8), row = int(pgRow & 0xFF);
        return page > 0 && page < pages() && isLongValue(page) && row < rows(page);
    }

    // A long-value row whose own first word points on to another one.
    bool isChainStart(quint32 pgRow) const
    {
        const int page = int(pgRow >> 8), row = int(pgRow & 0xFF);
        return pointsToLongValueRow(le32(rowStart(page, row)));
    }
};

} // namespace tq::testing
