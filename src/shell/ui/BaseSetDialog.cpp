#include "shell/ui/BaseSetDialog.h"

#include "context/AppContext.h"
#include "shell/Startup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tq::shell::ui {

BaseSetDialog::BaseSetDialog(context::AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmBaseSet"));
    setWindowTitle(QStringLiteral("基本設定"));

    auto* label = new QLabel(QStringLiteral("ユーザー名"), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_txtUser = new QLineEdit(ctx.userName, this);
    m_txtUser->setObjectName(QStringLiteral("txtUser"));
    m_txtUser->setMinimumWidth(240);
    label->setBuddy(m_txtUser);

    m_cmdOk = new QPushButton(QStringLiteral("ＯＫ"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setDefault(true);
    m_cmdCan = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cmdCan->setObjectName(QStringLiteral("cmdCan"));
    connect(m_cmdOk, &QPushButton::clicked, this, &BaseSetDialog::onOk);
    connect(m_cmdCan, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_txtUser, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOk);
    buttons->addWidget(m_cmdCan);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

void BaseSetDialog::onOk()
{
    storeUserName(m_ctx, m_txtUser->text());
    accept();
}

} // namespace tq::shell::ui
