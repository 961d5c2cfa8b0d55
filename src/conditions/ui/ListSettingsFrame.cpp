#include "conditions/ui/ListSettingsFrame.h"

#include "conditions/ListSettingStore.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/DbError.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tq::conditions::ui {

ListSettingsFrame::ListSettingsFrame(context::AppContext& context, std::function<QString()> currentItemText,
                                     QWidget* parent)
    : QGroupBox(QStringLiteral("一覧表示項目の選択"), parent), m_context(context),
      m_currentItemText(std::move(currentItemText))
{
    setObjectName(QStringLiteral("fraJouken6"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("設定名"), this), 0, 0);
    m_names = new QComboBox(this);
    m_names->setObjectName(QStringLiteral("cboSettei"));
    m_names->setMinimumContentsLength(12);
    layout->addWidget(m_names, 0, 1);
    auto* top = new QHBoxLayout;
    auto* buttons = new QVBoxLayout;
    const auto addButton = [this](QBoxLayout* box, const char* name, const QString& caption,
                                  void (ListSettingsFrame::*slot)()) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, this, slot);
        box->addWidget(button);
    };
    addButton(top, "cmdNew", QStringLiteral("新規"), &ListSettingsFrame::newSetting);
    addButton(top, "cmdSetteiDel", QStringLiteral("設定削除"), &ListSettingsFrame::deleteSetting);
    top->addStretch(1);
    layout->addLayout(top, 0, 2);
    addButton(buttons, "cmdAdd", QStringLiteral("→（追加）"), &ListSettingsFrame::add);
    addButton(buttons, "cmdInsert", QStringLiteral("→（挿入）"), &ListSettingsFrame::insert);
    addButton(buttons, "cmdDelete", QStringLiteral("←（削除）"), &ListSettingsFrame::removeSelected);
    addButton(buttons, "cmdUp", QStringLiteral("↑（表示順繰り上げ）"), &ListSettingsFrame::moveUp);
    addButton(buttons, "cmdDown", QStringLiteral("↓（表示順繰り下げ）"), &ListSettingsFrame::moveDown);
    buttons->addStretch(1);
    layout->addLayout(buttons, 1, 0);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstKoumoku"));
    layout->addWidget(m_list, 1, 1, 1, 2);
    auto* note = new QLabel(QStringLiteral("一覧表示時に表示したい項目を設定します。"), this);
    note->setWordWrap(true);
    layout->addWidget(note, 2, 0, 1, 3);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(1, 1);

    connect(m_names, &QComboBox::currentIndexChanged, this, &ListSettingsFrame::chooseSetting);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_items.selected = row; });
}

void ListSettingsFrame::reload()
{
    {
        const QSignalBlocker block(m_names);
        m_names->clear();
        if (m_context.appDb)
            m_names->addItems(conditions::listSettingNames(*m_context.appDb));
        m_names->setCurrentIndex(m_names->count() > 0 ? 0 : -1);
    }
    chooseSetting(m_names->currentIndex());
}

void ListSettingsFrame::chooseSetting(int index)
{
    m_items = {};
    if (index >= 0 && m_context.appDb) {
        try {
            m_items.items = conditions::listSettingItems(*m_context.appDb, m_names->itemText(index));
        } catch (const store::DbError& e) {
            m_context.errorLog.report({0, e.describe(), {}}, QStringLiteral("cboSettei_Click"));
        }
    }
    m_items.selected = m_items.items.isEmpty() ? -1 : 0;
    showItems();
}

void ListSettingsFrame::showItems()
{
    const QSignalBlocker block(m_list);
    m_list->clear();
    m_list->addItems(m_items.items);
    m_list->setCurrentRow(m_items.selected);
}

void ListSettingsFrame::edit(const std::function<void()>& change)
{
    change();
    showItems();
}

void ListSettingsFrame::add()
{
    edit([this] { m_items.add(m_currentItemText()); });
}

void ListSettingsFrame::insert()
{
    edit([this] { m_items.insert(m_currentItemText()); });
}

void ListSettingsFrame::removeSelected()
{
    edit([this] { m_items.removeSelected(); });
}

void ListSettingsFrame::moveUp()
{
    edit([this] { m_items.moveUp(); });
}

void ListSettingsFrame::moveDown()
{
    edit([this] { m_items.moveDown(); });
}

void ListSettingsFrame::newSetting()
{
    QString name;
    if (!m_context.prompter.inputText(QStringLiteral("新規に追加する一覧表示設定名を入力します"), QString(), name))
        return;
    // Stored names are read back trimmed, so a new one is trimmed too.
    name = name.trimmed();
    if (name.isEmpty())
        return;
    const int existing = m_names->findText(name);
    if (existing >= 0) {
        m_names->setCurrentIndex(existing);
        return;
    }
    {
        const QSignalBlocker block(m_names);
        m_names->addItem(name);
        m_names->setCurrentIndex(m_names->count() - 1);
    }
    m_items.items = SettingItemList::defaults();
    m_items.selected = 0;
    showItems();
}

void ListSettingsFrame::deleteSetting()
{
    const int index = m_names->currentIndex();
    if (index < 0 || !m_context.appDb)
        return;
    try {
        conditions::deleteListSetting(*m_context.appDb, m_names->itemText(index));
    } catch (const store::DbError& e) {
        m_context.errorLog.report({0, e.describe(), {}}, QStringLiteral("cmdSetteiDel_Click"));
        return;
    }
    {
        const QSignalBlocker block(m_names);
        m_names->removeItem(index);
    }
    chooseSetting(m_names->currentIndex());
}

bool ListSettingsFrame::store()
{
    const QString name = settingName();
    if (name.isEmpty() || !m_context.appDb)
        return false;
    return conditions::subIchiranSettei(*m_context.appDb, m_context.errorLog, m_items.items, name);
}

QString ListSettingsFrame::settingName() const
{
    return m_names->currentText();
}

} // namespace tq::conditions::ui
