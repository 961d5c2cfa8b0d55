#include "store/RowBatch.h"

#include "store/Database.h"

#include <pthread.h>
#include <sched.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace tq::store {

Field BatchRow::field(int index) const
{
    return m_batch->field(m_row, index);
}

RowBatch::RowBatch(std::vector<ColumnCopy> columns, int fieldCount, int groupColumn, ComputedCells* computed)
    : m_fieldCount(fieldCount), m_computed(computed), m_slotOf(std::size_t(std::max(fieldCount, 0)), -1)
{
    for (const ColumnCopy& copy : columns)
        if (copy.column < 0 || copy.column >= fieldCount)
            throw DbError(0, QStringLiteral("Item not found in this collection."));
    const auto groupKey = std::find_if(columns.begin(), columns.end(), [groupColumn](const ColumnCopy& c) {
        return c.column == groupColumn && c.asText;
    });
    const bool grouped = groupKey != columns.end();
    for (ColumnCopy& copy : columns) {
        if (grouped && copy.perGroup && copy.column != groupColumn) {
            m_slotOf[std::size_t(copy.column)] = -2 - int(m_groupColumns.size());
            m_groupColumns.push_back(copy);
            continue;
        }
        if (copy.column == groupColumn && grouped)
            m_groupSlot = int(m_rowColumns.size());
        m_slotOf[std::size_t(copy.column)] = int(m_rowColumns.size());
        m_rowColumns.push_back(copy);
    }
    m_width = m_rowColumns.size();
    if (m_computed) {
        m_computedValues.resize(std::size_t(m_computed->count()));
        for (std::size_t i = 0; i < m_computedValues.size(); ++i)
            m_slotOf.push_back(int(m_width++));
    }
}

void RowBatch::fill(Recordset& rs, int maxRows, const std::atomic<bool>* stop)
{
    // The columns were checked against this count; the copy reads them unchecked.
    if (rs.fieldCount() != m_fieldCount)
        throw DbError(0, QStringLiteral("Item not found in this collection."));
    m_rows = 0;
    m_groups = 0;
    m_groupKeySize = -1;
    m_texts.clear();
    const std::size_t rows = std::size_t(std::max(maxRows, 0));
    m_cells.resize(m_width * rows);
    if (!m_groupColumns.empty()) {
        m_groupCells.resize(m_groupColumns.size() * rows);
        m_groupOf.resize(rows);
    }
    // Once the buffer no longer grows (also when the statement fails after
    // the rows copied so far): point the cells into it.
    const auto finish = [this] {
        pointIntoTexts(m_cells, std::size_t(m_rows) * m_width);
        pointIntoTexts(m_groupCells, std::size_t(m_groups) * m_groupColumns.size());
    };
    try {
        copyRows(rs, maxRows, stop);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void RowBatch::pointIntoTexts(std::vector<detail::CopiedCell>& cells, std::size_t count)
{
    const char* texts = m_texts.data();
    for (std::size_t c = 0; c < count; ++c)
        if (cells[c].hasText)
            cells[c].text = texts + cells[c].textAt;
}

bool RowBatch::continuesGroup(const detail::CopiedCell& key) const
{
    return m_groupKeySize >= 0 && key.kind() != Value::Kind::Null && key.textSize == m_groupKeySize &&
           std::memcmp(m_texts.data() + key.textAt, m_texts.data() + m_groupKeyAt, std::size_t(key.textSize)) == 0;
}

void RowBatch::copyRows(Recordset& rs, int maxRows, const std::atomic<bool>* stop)
{
    const std::size_t groupWidth = m_groupColumns.size();
    while (m_rows < maxRows && !rs.isEOF() && !(stop && stop->load(std::memory_order_relaxed))) {
        detail::CopiedCell* cells = m_cells.data() + std::size_t(m_rows) * m_width;
        copyCells(rs, m_rowColumns, cells);
        if (m_computed)
            computeCells(rs, cells + m_rowColumns.size());
        if (groupWidth > 0) {
            const detail::CopiedCell& key = cells[m_groupSlot];
            if (!continuesGroup(key)) {
                copyCells(rs, m_groupColumns, m_groupCells.data() + std::size_t(m_groups) * groupWidth);
                ++m_groups;
                m_groupKeySize = key.kind() == Value::Kind::Null ? -1 : key.textSize;
                m_groupKeyAt = key.textAt;
            }
            m_groupOf[std::size_t(m_rows)] = m_groups - 1;
        }
        ++m_rows;
        rs.moveNext();
    }
}

void RowBatch::copyCells(Recordset& rs, const std::vector<ColumnCopy>& columns, detail::CopiedCell* cells)
{
    using Kind = Value::Kind;
    auto keepText = [this](detail::CopiedCell& cell, QByteArrayView text) {
        cell.hasText = true;
        cell.textAt = m_texts.size();
        cell.textSize = int(text.size());
        m_texts.append(text.data(), std::size_t(text.size()));
    };
    // Each form is read from the column's value object as Field reads it,
    // the storage class asked once; the text of a number last, since
    // reading it converts the value object.
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const ColumnCopy& copy = columns[i];
        sqlite3_value* v = sqlite3_column_value(rs.m_lease.stmt, copy.column);
        detail::CopiedCell& cell = cells[i];
        cell.hasText = false;
        cell.hasReal = false;
        switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:
            cell.kindCode = std::uint8_t(Kind::Null);
            break;
        case SQLITE_INTEGER:
            cell.kindCode = std::uint8_t(Kind::Integer);
            cell.integer = sqlite3_value_int64(v);
            if (copy.asText)
                keepText(cell, Field::utf8Of(v));
            break;
        case SQLITE_FLOAT:
            cell.kindCode = std::uint8_t(Kind::Real);
            cell.real = sqlite3_value_double(v);
            cell.hasReal = true;
            if (copy.asText)
                keepText(cell, Field::utf8Of(v));
            break;
        default: // text, and a blob read as text
            cell.kindCode = std::uint8_t(Kind::Text);
            if (copy.asNumber) {
                cell.real = sqlite3_value_double(v);
                cell.hasReal = true;
            }
            keepText(cell, Field::utf8Of(v));
            break;
        }
    }
}

void RowBatch::computeCells(const Recordset& row, detail::CopiedCell* cells)
{
    m_computed->compute(row, m_computedValues.data());
    for (const qint64 value : m_computedValues) {
        cells->kindCode = std::uint8_t(Value::Kind::Integer);
        cells->hasText = false;
        cells->hasReal = false;
        cells->integer = value;
        ++cells;
    }
}

Field RowBatch::field(int row, int column) const
{
    const int slot = column >= 0 && column < int(m_slotOf.size()) ? m_slotOf[std::size_t(column)] : -1;
    if (slot == -1 || row < 0 || row >= m_rows) [[unlikely]]
        throw DbError(0, QStringLiteral("Item not found in this collection."));
    if (slot >= 0)
        return Field(&m_cells[std::size_t(row) * m_width + std::size_t(slot)]);
    const std::size_t group = std::size_t(m_groupOf[std::size_t(row)]);
    return Field(&m_groupCells[group * m_groupColumns.size() + std::size_t(-2 - slot)]);
}

// --- RowStream ---------------------------------------------------------------

namespace {

// Batches in flight: the stepping thread fills the free ones while the
// readers hold theirs. Readers have slow moments (the default list moving a
// column to a larger block, page faults in fresh memory) that last longer
// than a few batches take to fill; with four batches of 2,048 rows the
// stepping thread waited in them, with sixteen it rarely did (measured: the
// run without keys on 20 years went from 1.09-1.13 to 0.95-0.96 times the
// floor). The analysis now hands over batches of 512 rows, which stay in the
// processor's cache and leave a shorter tail after the last row, so there
// are four times as many of them: the same rows in flight.
constexpr int kBatches = 64;

} // namespace

RowStream::RowStream(Database& db, Recordset& rs, const std::vector<ColumnCopy>& columns, bool background,
                     int batchRows, int groupColumn, SideReader sideReader, ComputedCells* computed)
    : m_db(db), m_rs(rs), m_batchRows(std::max(batchRows, 1)), m_background(background),
      m_sideReader(std::move(sideReader))
{
    const int count = background || m_sideReader ? kBatches : 1;
    for (int i = 0; i < count; ++i) {
        m_batches.push_back(std::make_unique<RowBatch>(columns, rs.fieldCount(), groupColumn, computed));
        m_free.push_back(m_batches.back().get());
        m_holders.emplace_back(m_batches.back().get(), 0);
    }
    if (background) {
        // A step that searches long for its next row stops as soon as the
        // stream is stopped. The handler only reads the flag.
        m_interrupt = std::make_unique<ProgressHandlerScope>(db, [this] { return m_stop.load(); });
        m_thread = std::thread([this] { produce(); });
    }
    if (m_sideReader) {
        m_sideDone = false;
        m_sideThread = std::thread([this] { readBeside(); });
    }
}

void RowStream::handOver(RowBatch* batch, int readers)
{
    for (auto& [held, holders] : m_holders)
        if (held == batch)
            holders = readers;
    if (m_sideReader)
        m_sideReady.push_back(batch);
    m_changed.notify_all();
}

std::exception_ptr RowStream::fillKeepingRows(RowBatch& batch, const std::atomic<bool>* stop)
{
    try {
        batch.fill(m_rs, m_batchRows, stop);
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

void RowStream::release(RowBatch* batch)
{
    for (auto& [held, holders] : m_holders)
        if (held == batch && --holders == 0) {
            m_free.push_back(batch);
            m_changed.notify_all();
        }
}

void RowStream::readBeside()
{
    yieldToTheStatement();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop.load() || !m_sideReady.empty() || m_finished; });
        if (m_stop.load() || m_sideReady.empty())
            break;
        RowBatch* batch = m_sideReady.front();
        m_sideReady.pop_front();
        lock.unlock();
        std::exception_ptr error;
        try {
            m_sideReader(*batch);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        release(batch);
        if (error) {
            m_sideError = error;
            break;
        }
    }
    m_sideDone = true;
    m_changed.notify_all();
}

void RowStream::yieldToTheStatement()
{
    // The statement paces every reader: on two cores, the stepping thread,
    // the caller and the side reader compete, and each time the side reader
    // woke for a new batch it could take the core of the stepping thread. As
    // a batch thread the side reader still gets its share of the processor
    // but no longer preempts the others when it wakes (measured: keyed runs
    // on 20 years stepped 10 % slower with the side reader than without it,
    // and about as fast once it ran this way). A refusal changes nothing else.
    sched_param param{};
    param.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &param);
}

RowStream::~RowStream()
{
    stop();
}

void RowStream::produce()
{
    for (;;) {
        RowBatch* batch = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop.load() || !m_free.empty(); });
            if (m_stop.load())
                break;
            batch = m_free.front();
            m_free.pop_front();
        }
        // A failing statement keeps the rows before the failure: the
        // reader gets them first, then the error.
        const std::exception_ptr error = fillKeepingRows(*batch, &m_stop);
        const bool last = m_rs.isEOF();
        std::lock_guard lock(m_mutex);
        if (batch->rowCount() > 0) {
            m_ready.push_back(batch);
            handOver(batch, m_sideReader ? 2 : 1);
        } else {
            m_free.push_back(batch);
        }
        if (error && !m_stop.load()) // an interrupt after stop() is the stop itself
            m_error = error;
        m_changed.notify_all();
        if (last || error || m_stop.load())
            break;
    }
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

const RowBatch* RowStream::next(const std::function<void()>& idle)
{
    if (!m_background)
        return m_sideReader ? fillHereBesideReader(idle) : fillHere();
    std::unique_lock lock(m_mutex);
    if (m_reading)
        release(std::exchange(m_reading, nullptr));
    for (;;) {
        if (m_stop.load())
            return nullptr;
        if (m_sideError)
            std::rethrow_exception(std::exchange(m_sideError, nullptr));
        if (!m_ready.empty()) {
            m_reading = m_ready.front();
            m_ready.pop_front();
            return m_reading;
        }
        if (m_error)
            std::rethrow_exception(std::exchange(m_error, nullptr));
        if (m_finished && m_sideDone)
            return nullptr;
        waitBriefly(lock, idle);
    }
}

const RowBatch* RowStream::fillHere()
{
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
    if (m_stop.load() || m_rs.isEOF())
        return nullptr;
    RowBatch* batch = m_batches.front().get();
    m_error = fillKeepingRows(*batch); // rethrown after the rows before the failure
    if (batch->rowCount() > 0)
        return batch;
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
    return nullptr;
}

const RowBatch* RowStream::fillHereBesideReader(const std::function<void()>& idle)
{
    std::unique_lock lock(m_mutex);
    if (m_reading)
        release(std::exchange(m_reading, nullptr));
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
    RowBatch* batch = nullptr;
    // A batch to fill: one the side reader is done with, or, after the last
    // row, the side reader's end.
    for (;;) {
        if (m_stop.load())
            return nullptr;
        if (m_sideError)
            std::rethrow_exception(std::exchange(m_sideError, nullptr));
        if (m_finished) {
            if (m_sideDone)
                return nullptr;
        } else if (!m_free.empty()) {
            batch = m_free.front();
            m_free.pop_front();
            break;
        }
        waitBriefly(lock, idle);
    }
    lock.unlock();
    m_error = fillKeepingRows(*batch); // rethrown after the rows before the failure
    lock.lock();
    if (batch->rowCount() == 0) {
        m_free.push_back(batch);
        m_finished = true;
        m_changed.notify_all();
        lock.unlock();
        return fillHereBesideReader(idle); // the error, or the side reader's end
    }
    handOver(batch, 2); // this thread and the side reader
    m_reading = batch;
    return batch;
}

void RowStream::waitBriefly(std::unique_lock<std::mutex>& lock, const std::function<void()>& idle)
{
    m_changed.wait_for(lock, std::chrono::milliseconds(10));
    if (!idle)
        return;
    lock.unlock();
    idle();
    lock.lock();
}

void RowStream::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop.store(true);
        m_changed.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_sideThread.joinable())
        m_sideThread.join();
    m_interrupt.reset();
}

} // namespace tq::store
