#include "shell/ColourSettingsStore.h"

#include "common/VbNumber.h"
#include "store/Operations.h"

#include <stdexcept>

namespace tq::shell {

namespace {

// The columns in the order the dialog writes them: the four colours, then the
// four thresholds; each with its index in ColourSettings::values.
struct StoredColumn {
    const char16_t* name;
    std::size_t index;
};
constexpr StoredColumn kStoreOrder[] = {
    {u"回収率色", 1}, {u"勝率色", 3}, {u"連対率色", 5}, {u"複勝率色", 7},
    {u"回収率値", 0}, {u"勝率値", 2}, {u"連対率値", 4}, {u"複勝率値", 6},
};

} // namespace

std::optional<qint32> thresholdFromText(const QString& text)
{
    bool ok = false;
    const double value = text.normalized(QString::NormalizationForm_KC).trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    try {
        return common::vbCLng(value);
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}

bool storeColourSettings(context::AppContext& ctx, const context::ColourSettings& colours, const QString& procedure)
{
    if (!ctx.appDb) {
        ctx.errorLog.report({0, QStringLiteral("the application database is not open"), {}}, procedure);
        return false;
    }
    bool ok = false;
    const auto table = store::TBOpn(ctx.errorLog, *ctx.appDb, QStringLiteral("select * from 色設定"), ok);
    if (!ok || !table)
        return false;
    try {
        if (table->isEOF())
            table->addNew();
        else
            table->edit();
        for (const StoredColumn& column : kStoreOrder)
            table->setValue(QString::fromUtf16(column.name), store::Value(colours.values[column.index]));
        table->update();
    } catch (const store::DbError& e) {
        ctx.errorLog.report({0, e.describe(), {}}, procedure);
        return false;
    }
    ctx.colours = colours;
    return true;
}

} // namespace tq::shell
