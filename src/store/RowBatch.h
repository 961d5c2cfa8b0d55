#pragma once
// Rows copied out of a statement, so that one thread can step through the
// statement while another reads the rows it has already passed.
//
// Only the columns asked for are copied, each cell in its storage class (as
// Field reports it). A copied field reads as the statement's own field would:
// a text column that is read as a number keeps the number SQLite makes of the
// text, and a number column that is read as UTF-8 keeps the text SQLite makes
// of the number. Reading a form a column was not copied with throws DbError.
//
// RowStream hands the batches from the stepping thread to the reading thread:
// rows arrive in the statement's order, a few batches at a time, so memory
// stays bounded however many rows the statement has.

#include "store/Recordset.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tq::store {

class Database;
class ProgressHandlerScope;

namespace detail {

// 24 bytes: a batch of a few thousand rows of some ten cells stays in the
// processor's cache while it is filled and read.
struct CopiedCell {
    std::uint8_t kindCode = 0; // Value::Kind
    bool hasText = false;      // text, also for a number read as UTF-8
    bool hasReal = false;      // real, also for a text read as a number
    int textSize = 0;
    union {
        qint64 integer = 0; // Kind::Integer
        double real;        // Kind::Real, or a text read as a number
    };
    union {
        const char* text = nullptr;
        std::size_t textAt; // offset in the batch's text buffer while filling
    };

    Value::Kind kind() const { return Value::Kind(kindCode); }
};

} // namespace detail

// A column to copy and the forms it is read in besides its own.
struct ColumnCopy {
    int column = -1;
    bool asText = false;   // Field::utf8() may be called whatever the kind
    bool asNumber = false; // Field::toDouble() may be called on a text
    // The column holds the same value in every row whose group column (see
    // RowBatch) holds the same text: it is copied once for each run of such
    // rows instead of once per row.
    bool perGroup = false;
};

// Integer cells worked out from the statement's current row while it is
// copied, read after the statement's own columns (field index fieldCount + i):
// a value found through many columns (a horse's own payout among its race's
// payout slots) then costs a cell instead of a copy of each of those columns.
// compute() runs on the copying thread, once per row, in the statement's order.
class ComputedCells {
  public:
    virtual ~ComputedCells() = default;
    virtual int count() const = 0;
    virtual void compute(const Recordset& row, qint64* cells) = 0;
};

class RowBatch;

// One copied row; valid while its batch is unchanged.
class BatchRow final : public Row {
  public:
    BatchRow(const RowBatch& batch, int row) : m_batch(&batch), m_row(row) {}
    Field field(int index) const override;

  private:
    const RowBatch* m_batch;
    int m_row;
};

class RowBatch final {
  public:
    // The columns to copy; `fieldCount`: the statement's column count.
    // `groupColumn`: a column copied as text whose value decides the columns
    // marked perGroup (a race key for the columns of the race's own row);
    // without it, or when it is not copied as text, every column is copied
    // per row. A Null group value starts a group of its own. `computed`
    // (when set) adds its cells to every row; it must outlive the batch.
    RowBatch(std::vector<ColumnCopy> columns, int fieldCount, int groupColumn = -1,
             ComputedCells* computed = nullptr);

    // Copies rows from the recordset's current row on, moving it, until it
    // reaches EOF, `maxRows` rows are copied or `stop` is set. Replaces the
    // batch's previous rows. DbError from the statement passes through; the
    // rows copied before it stay readable.
    void fill(Recordset& rs, int maxRows, const std::atomic<bool>* stop = nullptr);

    int rowCount() const { return m_rows; }
    BatchRow row(int r) const { return BatchRow(*this, r); }

  private:
    friend class BatchRow;
    void copyRows(Recordset& rs, int maxRows, const std::atomic<bool>* stop);
    void copyCells(Recordset& rs, const std::vector<ColumnCopy>& columns, detail::CopiedCell* cells);
    void computeCells(const Recordset& row, detail::CopiedCell* cells);
    bool continuesGroup(const detail::CopiedCell& key) const;
    void pointIntoTexts(std::vector<detail::CopiedCell>& cells, std::size_t count);
    Field field(int row, int column) const;

    int m_fieldCount = 0;                   // the statement's
    std::vector<ColumnCopy> m_rowColumns;   // copied for every row
    ComputedCells* m_computed = nullptr;     // its cells follow the row columns'
    std::size_t m_width = 0;                // cells per row: copied, then computed
    std::vector<qint64> m_computedValues;   // one row's computed cells
    std::vector<ColumnCopy> m_groupColumns; // copied once per group
    int m_groupSlot = -1;      // the group column's slot among the row columns
    std::vector<int> m_slotOf; // column -> slot; row slots from 0, group slots from -2 down, -1 not copied
    std::vector<detail::CopiedCell> m_cells;      // row-major, one per row column
    std::vector<detail::CopiedCell> m_groupCells; // group-major, one per group column
    std::vector<int> m_groupOf;                   // row -> its group
    std::string m_texts; // keeps its capacity from batch to batch
    int m_rows = 0;
    int m_groups = 0;
    std::size_t m_groupKeyAt = 0; // the last group's key text while filling
    int m_groupKeySize = -1;      // -1: no group yet, or a Null key
};

// Rows per batch: a batch of some ten cells a row stays in the processor's
// cache while it is filled and read, and the readers' work left after the
// last row (one batch) stays short.
inline constexpr int kBatchRows = 512;

// Hands the rows of an open recordset to the calling thread in batches. With
// `background` the statement steps on a thread of its own while the caller
// reads the batches already copied; otherwise next() copies each batch on the
// caller's thread. Either way the rows and their order are the statement's.
// While a background thread steps, nothing else may use the connection: the
// stream interrupts the statement when it is stopped (a progress handler on
// the connection, set for the stream's lifetime).
class RowStream final {
  public:
    // `groupColumn` and `computed` as for RowBatch. `sideReader` (when set)
    // is given every batch too, in order, on a thread of its own, while the
    // caller reads the same batch; a batch is refilled once both are done
    // with it. The side reader's thread gives way to the others when they
    // compete for a core (the statement paces them all). next() returns null
    // only once the side reader has had every batch, and rethrows what it
    // throws.
    using SideReader = std::function<void(const RowBatch&)>;
    RowStream(Database& db, Recordset& rs, const std::vector<ColumnCopy>& columns, bool background,
              int batchRows = kBatchRows, int groupColumn = -1, SideReader sideReader = {},
              ComputedCells* computed = nullptr);
    ~RowStream(); // stops the stepping thread and waits for it
    RowStream(const RowStream&) = delete;
    RowStream& operator=(const RowStream&) = delete;

    // The next batch, null after the last row. The previous batch returned is
    // no longer valid. While it waits for the stepping thread it calls `idle`
    // about every 10 ms. An error of the statement is rethrown here, after
    // the rows read before it.
    const RowBatch* next(const std::function<void()>& idle = {});

    // Stops the stepping thread and waits for it; next() returns null after.
    void stop();

  private:
    void produce();
    void readBeside();
    static void yieldToTheStatement(); // lowers the side reader's claim on a core
    const RowBatch* fillHere();
    const RowBatch* fillHereBesideReader(const std::function<void()>& idle);
    // Fills `batch` from the statement; the error that ended it, if any,
    // after the rows read before it.
    std::exception_ptr fillKeepingRows(RowBatch& batch, const std::atomic<bool>* stop = nullptr);
    // With the mutex held: `batch` is read by `readers` readers, the side
    // reader (when there is one) among them.
    void handOver(RowBatch* batch, int readers);
    void release(RowBatch* batch); // with the mutex held
    // Waits up to 10 ms for a change, then calls `idle` without the lock.
    void waitBriefly(std::unique_lock<std::mutex>& lock, const std::function<void()>& idle);

    Database& m_db;
    Recordset& m_rs;
    const int m_batchRows;
    const bool m_background;
    std::vector<std::unique_ptr<RowBatch>> m_batches;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<RowBatch*> m_free;
    std::deque<RowBatch*> m_ready;
    RowBatch* m_reading = nullptr; // the batch the caller holds
    bool m_finished = false;        // the statement has no more rows for the readers
    SideReader m_sideReader;
    std::deque<RowBatch*> m_sideReady;
    std::vector<std::pair<const RowBatch*, int>> m_holders; // readers yet to finish each batch
    bool m_sideDone = true; // the side reader has had every batch, or stopped
    std::exception_ptr m_sideError;
    std::exception_ptr m_error;
    std::atomic<bool> m_stop{false};
    std::unique_ptr<ProgressHandlerScope> m_interrupt;
    std::thread m_thread;
    std::thread m_sideThread;
};

} // namespace tq::store
