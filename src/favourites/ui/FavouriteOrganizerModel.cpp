#include "favourites/ui/FavouriteOrganizerModel.h"

#include "analysis/ui/SheetModel.h"
#include "context/AppContext.h"
#include "favourites/Favourite.h"
#include "favourites/FavouriteStore.h"
#include "store/DbError.h"

#include <QBrush>
#include <QColor>

#include <cmath>

namespace tq::favourites::ui {

namespace {

constexpr int kRateDecimals = 1;

// Single-precision values read back as doubles carry noise past their seventh
// digit; they are shown with seven significant digits.
QString realText(double v)
{
    const QString text = QString::number(v, 'g', 7);
    return text.contains(QLatin1Char('e')) ? QString::number(v, 'f', 0) : text;
}

bool isMainRate(int column)
{
    return column >= 8 && column <= 12;
}

// A stored colour that paints: a Windows RGB value, not a system colour
// (high byte set, as the "no colour" window background) and not 0.
bool isPaintable(const store::Value& colour)
{
    if (colour.isNull())
        return false;
    const qint64 v = colour.toInt();
    return v != 0 && (v & 0xFF000000) == 0;
}

std::optional<qint32> thresholdColour(const context::ColourSettings& colours, RateFamily family, double value)
{
    qint32 threshold = 0;
    qint32 colour = 0;
    switch (family) {
    case RateFamily::None:
        return std::nullopt;
    case RateFamily::Win:
        threshold = colours.winRateValue();
        colour = colours.winRateColour();
        break;
    case RateFamily::TopTwo:
        threshold = colours.topTwoRateValue();
        colour = colours.topTwoRateColour();
        break;
    case RateFamily::TopThree:
        threshold = colours.topThreeRateValue();
        colour = colours.topThreeRateColour();
        break;
    case RateFamily::Return:
        threshold = colours.returnRateValue();
        colour = colours.returnRateColour();
        break;
    }
    if (!(value > double(threshold)))
        return std::nullopt;
    return colour;
}

QBrush brushOf(qint32 windowsColour)
{
    return QBrush(QColor::fromRgb(analysis::ui::rgbOfWindowsColour(windowsColour)));
}

} // namespace

FavouriteOrganizerModel::FavouriteOrganizerModel(context::AppContext& context, QObject* parent)
    : QAbstractTableModel(parent), m_context(context)
{
}

FavouriteOrganizerModel::~FavouriteOrganizerModel() = default;

void FavouriteOrganizerModel::reload(const OrganizerFilter& filter, const OrganizerSort& sort)
{
    beginResetModel();
    m_rows.clear();
    m_cursor.reset();
    try {
        FavouriteStore store(*m_context.appDb);
        m_cursor.emplace(store.openOrganizerRows(filter, sort));
        readRows(kFetchRows);
    } catch (...) {
        m_cursor.reset();
        endResetModel();
        throw;
    }
    endResetModel();
}

void FavouriteOrganizerModel::readRows(int count)
{
    for (int i = 0; i < count && m_cursor && !m_cursor->atEnd(); ++i)
        m_rows.push_back(m_cursor->next());
    if (m_cursor && m_cursor->atEnd())
        m_cursor.reset();
}

void FavouriteOrganizerModel::fetchAll()
{
    if (!m_cursor)
        return;
    const int first = int(m_rows.size());
    std::vector<OrganizerCursor::Row> rest;
    while (!m_cursor->atEnd())
        rest.push_back(m_cursor->next());
    m_cursor.reset();
    if (rest.empty())
        return;
    beginInsertRows({}, first, first + int(rest.size()) - 1);
    std::move(rest.begin(), rest.end(), std::back_inserter(m_rows));
    endInsertRows();
}

bool FavouriteOrganizerModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_cursor.has_value();
}

void FavouriteOrganizerModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !m_cursor)
        return;
    std::vector<OrganizerCursor::Row> slice;
    for (int i = 0; i < kFetchRows && !m_cursor->atEnd(); ++i)
        slice.push_back(m_cursor->next());
    if (m_cursor->atEnd())
        m_cursor.reset();
    if (slice.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(slice.size()) - 1);
    std::move(slice.begin(), slice.end(), std::back_inserter(m_rows));
    endInsertRows();
}

QString FavouriteOrganizerModel::nameAt(int row) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    return m_rows[std::size_t(row)][organizer::kName].toText();
}

int FavouriteOrganizerModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FavouriteOrganizerModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kOrganizerColumnCount;
}

QString FavouriteOrganizerModel::text(const store::Value& value, int column) const
{
    if (value.isNull())
        return {};
    if (column == organizer::kRegistered)
        return fromDateSerial(value.toDouble()).toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    if (value.kind() == store::Value::Kind::Real)
        return isMainRate(column) ? QString::number(value.toDouble(), 'f', kRateDecimals) : realText(value.toDouble());
    return value.toText();
}

QVariant FavouriteOrganizerModel::background(const OrganizerCursor::Row& row, int column) const
{
    if (column == organizer::kName) {
        const store::Value& colour = row[organizer::kColour];
        return isPaintable(colour) ? QVariant(brushOf(qint32(colour.toInt()))) : QVariant();
    }
    const RateFamily family = rateFamily(column);
    if (family == RateFamily::None)
        return {};
    // An empty cell counts as 0.
    const auto colour = thresholdColour(m_context.colours, family, row[std::size_t(column)].toDouble());
    return colour ? QVariant(brushOf(*colour)) : QVariant();
}

QVariant FavouriteOrganizerModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const OrganizerCursor::Row& row = m_rows[std::size_t(index.row())];
    const int column = index.column();
    const store::Value& value = row[std::size_t(column)];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return column == organizer::kShow ? QVariant() : QVariant(text(value, column));
    case Qt::CheckStateRole:
        if (column != organizer::kShow)
            return {};
        return value.toInt() != 0 ? Qt::Checked : Qt::Unchecked;
    case Qt::BackgroundRole:
        return background(row, column);
    case Qt::TextAlignmentRole:
        if (value.kind() == store::Value::Kind::Integer || value.kind() == store::Value::Kind::Real)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags FavouriteOrganizerModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    switch (cellEdit(index.column())) {
    case CellEdit::Locked:
        return f;
    case CellEdit::Flag:
        return f | Qt::ItemIsUserCheckable;
    default:
        return f | Qt::ItemIsEditable;
    }
}

bool FavouriteOrganizerModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return false;
    const int column = index.column();
    if (!(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)))
        return false;
    QString typed;
    if (role == Qt::CheckStateRole && column == organizer::kShow)
        typed = value.toInt() == Qt::Checked ? QStringLiteral("-1") : QStringLiteral("0");
    else if (role == Qt::EditRole && column != organizer::kShow)
        typed = value.toString();
    else
        return false;
    if (typed == text(m_rows[std::size_t(index.row())][std::size_t(column)], column))
        return false; // nothing changed
    const std::optional<store::Value> parsed = parseCell(column, typed);
    if (!parsed) {
        m_context.prompter.inform(
            {QStringLiteral("「%1」は%2に入力できません").arg(typed, organizerColumns()[std::size_t(column)]),
             {},
             context::Icon::Exclamation,
             false});
        return false;
    }
    return store(index.row(), column, *parsed);
}

bool FavouriteOrganizerModel::store(int row, int column, const store::Value& value)
{
    const QString name = nameAt(row);
    try {
        // A write while the read is open could meet the rows it changes.
        fetchAll();
        FavouriteStore(*m_context.appDb).setCell(name, column, value);
    } catch (const FavouriteError& e) {
        m_context.prompter.inform({e.message(), {}, context::Icon::Exclamation, false});
        return false;
    } catch (const store::DbError& e) {
        m_context.errorLog.report({0, QString::fromUtf8(e.what()), QString()}, QStringLiteral("vaSpread1_Change"));
        m_context.prompter.inform({QString::fromUtf8(e.what()), {}, context::Icon::Critical, false});
        return false;
    }
    m_rows[std::size_t(row)][std::size_t(column)] = value;
    emit dataChanged(index(row, column), index(row, column));
    return true;
}

QVariant FavouriteOrganizerModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= kOrganizerColumnCount)
        return {};
    return organizerColumns()[std::size_t(section)];
}

} // namespace tq::favourites::ui
