#include "store/RowBatch.h"

#include "store/Database.h"

#include <chrono>

namespace tq::store {

Field BatchRow::field(int index) const
{
    return m_batch->field(m_row, index);
}

RowBatch::RowBatch(std::vector<ColumnCopy> columns, int fieldCount)
    : m_columns(std::move(columns)), m_slotOf(std::size_t(std::max(fieldCount, 0)), -1)
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const int column = m_columns[i].column;
        if (column < 0 || column >= fieldCount)
            throw DbError(0, QStringLiteral("Item not found in this collection."));
        m_slotOf[std::size_t(column)] = int(i);
    }
}

void RowBatch::fill(Recordset& rs, int maxRows, const std::atomic<bool>* stop)
{
    m_rows = 0;
    m_texts.clear();
    m_cells.resize(m_columns.size() * std::size_t(std::max(maxRows, 0)));
    // Once the buffer no longer grows (also when the statement fails after
    // the rows copied so far): point the cells into it.
    const auto pointIntoTexts = [this] {
        const char* texts = m_texts.data();
        for (std::size_t c = 0; c < std::size_t(m_rows) * m_columns.size(); ++c)
            if (m_cells[c].hasText)
                m_cells[c].text = texts + m_cells[c].textAt;
    };
    try {
        copyRows(rs, maxRows, stop);
    } catch (...) {
        pointIntoTexts();
        throw;
    }
    pointIntoTexts();
}

void RowBatch::copyRows(Recordset& rs, int maxRows, const std::atomic<bool>* stop)
{
    using Kind = Value::Kind;
    const std::size_t width = m_columns.size();
    auto keepText = [this](detail::CopiedCell& cell, QByteArrayView text) {
        cell.hasText = true;
        cell.textAt = qsizetype(m_texts.size());
        cell.textSize = int(text.size());
        m_texts.append(text.data(), std::size_t(text.size()));
    };
    while (m_rows < maxRows && !rs.isEOF() && !(stop && stop->load(std::memory_order_relaxed))) {
        detail::CopiedCell* cells = m_cells.data() + std::size_t(m_rows) * width;
        for (std::size_t i = 0; i < width; ++i) {
            const ColumnCopy& copy = m_columns[i];
            const Field f = rs.field(copy.column);
            detail::CopiedCell& cell = cells[i];
            cell.kind = f.kind();
            cell.hasText = false;
            cell.hasReal = false;
            // Each form is read as the statement's field gives it; the text
            // of a number last, since reading it converts the value object.
            switch (cell.kind) {
            case Kind::Null:
                break;
            case Kind::Integer:
                cell.integer = f.toInt();
                if (copy.asText)
                    keepText(cell, f.utf8());
                break;
            case Kind::Real:
                cell.real = f.toDouble();
                cell.hasReal = true;
                if (copy.asText)
                    keepText(cell, f.utf8());
                break;
            case Kind::Text:
                if (copy.asNumber) {
                    cell.real = f.toDouble();
                    cell.hasReal = true;
                }
                keepText(cell, f.utf8());
                break;
            }
        }
        ++m_rows;
        rs.moveNext();
    }
}

Field RowBatch::field(int row, int column) const
{
    const int slot = column >= 0 && column < int(m_slotOf.size()) ? m_slotOf[std::size_t(column)] : -1;
    if (slot < 0 || row < 0 || row >= m_rows) [[unlikely]]
        throw DbError(0, QStringLiteral("Item not found in this collection."));
    return Field(&m_cells[std::size_t(row) * m_columns.size() + std::size_t(slot)]);
}

// --- RowStream ---------------------------------------------------------------

namespace {

// Batches in flight: the stepping thread fills the free ones while the reader
// holds one; a few are enough to ride out the reader's slower moments.
constexpr int kBatches = 4;

} // namespace

RowStream::RowStream(Database& db, Recordset& rs, const std::vector<ColumnCopy>& columns, bool background,
                     int batchRows)
    : m_db(db), m_rs(rs), m_batchRows(std::max(batchRows, 1)), m_background(background)
{
    const int count = background ? kBatches : 1;
    for (int i = 0; i < count; ++i) {
        m_batches.push_back(std::make_unique<RowBatch>(columns, rs.fieldCount()));
        m_free.push_back(m_batches.back().get());
    }
    if (!background)
        return;
    // A step that searches long for its next row stops as soon as the
    // stream is stopped. The handler only reads the flag.
    m_interrupt = std::make_unique<ProgressHandlerScope>(db, [this] { return m_stop.load(); });
    m_thread = std::thread([this] { produce(); });
}

RowStream::~RowStream()
{
    stop();
}

void RowStream::produce()
{
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
            std::exception_ptr error;
            try {
                batch->fill(m_rs, m_batchRows, &m_stop);
            } catch (...) {
                error = std::current_exception();
            }
            const bool last = m_rs.isEOF();
            std::lock_guard lock(m_mutex);
            if (batch->rowCount() > 0)
                m_ready.push_back(batch);
            else
                m_free.push_back(batch);
            if (error && !m_stop.load()) // an interrupt after stop() is the stop itself
                m_error = error;
            m_changed.notify_all();
            if (last || error || m_stop.load())
                break;
        }
    }
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

const RowBatch* RowStream::next(const std::function<void()>& idle)
{
    if (!m_background) {
        if (m_error)
            std::rethrow_exception(std::exchange(m_error, nullptr));
        if (m_stop.load() || m_rs.isEOF())
            return nullptr;
        RowBatch* batch = m_batches.front().get();
        try {
            batch->fill(m_rs, m_batchRows);
        } catch (...) {
            m_error = std::current_exception(); // after the rows before the failure
        }
        if (batch->rowCount() > 0)
            return batch;
        if (m_error)
            std::rethrow_exception(std::exchange(m_error, nullptr));
        return nullptr;
    }
    std::unique_lock lock(m_mutex);
    if (m_reading) {
        m_free.push_back(std::exchange(m_reading, nullptr));
        m_changed.notify_all();
    }
    for (;;) {
        if (m_stop.load())
            return nullptr;
        if (!m_ready.empty()) {
            m_reading = m_ready.front();
            m_ready.pop_front();
            return m_reading;
        }
        if (m_error)
            std::rethrow_exception(std::exchange(m_error, nullptr));
        if (m_finished)
            return nullptr;
        m_changed.wait_for(lock, std::chrono::milliseconds(10));
        if (idle && m_ready.empty() && !m_finished) {
            lock.unlock();
            idle();
            lock.lock();
        }
    }
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
    m_interrupt.reset();
}

} // namespace tq::store
