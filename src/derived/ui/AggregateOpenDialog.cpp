#include "derived/ui/AggregateOpenDialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tq::derived::ui {

AggregateOpenDialog::AggregateOpenDialog(const QStringList& names, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("frmSyukeiOpen"));
    setWindowTitle(QStringLiteral("集計お気に入りを開く"));
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->addItems(names);
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { accept(); });

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    ok->setEnabled(m_list->count() > 0);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    connect(ok, &QPushButton::clicked, this, &AggregateOpenDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &AggregateOpenDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    resize(320, 280);
}

void AggregateOpenDialog::accept()
{
    const QListWidgetItem* item = m_list->currentItem();
    m_chosen = item ? item->text() : QString();
    QDialog::accept();
}

} // namespace tq::derived::ui
