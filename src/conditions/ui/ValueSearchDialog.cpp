#include "conditions/ui/ValueSearchDialog.h"

#include "conditions/ui/ValueSearchForm.h"
#include "context/AppContext.h"
#include "store/Database.h"

namespace tq::conditions::ui {

namespace {

// The rows of the source; a source the database cannot read gives an empty list.
ValueSearchList readList(context::AppContext& context, const QString& source)
{
    if (!context.appDb)
        return {};
    try {
        return ValueSearchList::read(*context.appDb, source);
    } catch (const store::DbError&) {
        return {};
    }
}

// The dialog's top at the top of the anchor's window, centred on the anchor.
void placeBy(QWidget& dialog, const QWidget* anchor)
{
    if (!anchor)
        return;
    const int centreX = anchor->mapToGlobal(anchor->rect().center()).x();
    const int top = anchor->window()->frameGeometry().top();
    dialog.move(centreX - dialog.frameGeometry().width() / 2, top);
}

} // namespace

std::optional<SearchChoice> searchValues(context::AppContext& context, const QString& itemName, const QString& source,
                                         const QString& startingNames, QWidget* anchor)
{
    ValueSearchForm form(readList(context, source), itemName, startingNames, anchor);
    placeBy(form, anchor);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.choice();
}

} // namespace tq::conditions::ui
