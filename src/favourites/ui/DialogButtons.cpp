#include "favourites/ui/DialogButtons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace tq::favourites::ui {

QHBoxLayout* okCancelRow(QDialog* dialog, const ButtonNames& names)
{
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(names.ok);
    ok->setDefault(true);
    auto* cancel = new QPushButton(names.cancelCaption, dialog);
    cancel->setObjectName(names.cancel);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

} // namespace tq::favourites::ui
