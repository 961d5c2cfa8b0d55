#include "favourites/ui/ImportDialog.h"

#include "favourites/ui/DialogButtons.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tq::favourites::ui {

namespace {

// A ticked box shows its frame of one entry.
QGroupBox* entryFrame(QWidget* parent, QCheckBox* box, const QString& caption, const QString& frameName,
                      const QString& editName, QLineEdit*& edit)
{
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(frameName);
    edit = new QLineEdit(frame);
    edit->setObjectName(editName);
    auto* layout = new QHBoxLayout(frame);
    layout->addWidget(edit);
    frame->setVisible(false);
    QObject::connect(box, &QCheckBox::toggled, frame, &QWidget::setVisible);
    return frame;
}

} // namespace

ImportDialog::ImportDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFavoInport"));
    setWindowTitle(QStringLiteral("お気に入りのインポート"));

    auto* label = new QLabel(QStringLiteral("以下をチェックしなかった場合はエクスポート元のグループ・名称で登録されます"),
                             this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setWordWrap(true);
    m_chkGroup = new QCheckBox(QStringLiteral("グループ名を変更して登録する"), this);
    m_chkGroup->setObjectName(QStringLiteral("chkGroup"));
    m_frmGroup = entryFrame(this, m_chkGroup, QStringLiteral("グループ名"), QStringLiteral("frmGroup"),
                            QStringLiteral("txtGroup"), m_txtGroup);
    m_chkName = new QCheckBox(QStringLiteral("名称の先頭に文字列を付加"), this);
    m_chkName->setObjectName(QStringLiteral("chkName"));
    m_frmName = entryFrame(this, m_chkName, QStringLiteral("先頭に付加する文字列"), QStringLiteral("frmName"),
                           QStringLiteral("txtName"), m_txtName);

    QHBoxLayout* buttons =
        okCancelRow(this, {QStringLiteral("Command2"), QStringLiteral("Command3"), QStringLiteral("キャンセル")});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_chkGroup);
    layout->addWidget(m_frmGroup);
    layout->addWidget(m_chkName);
    layout->addWidget(m_frmName);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    // A frame shown after the dialog opened would otherwise only get its
    // minimum height, which cuts off the bottom of the text in its box.
    for (QCheckBox* box : {m_chkGroup, m_chkName})
        connect(box, &QCheckBox::toggled, this, [this] {
            QWidget::layout()->activate();
            adjustSize();
        });
}

ImportOptions ImportDialog::options() const
{
    ImportOptions options;
    if (m_chkGroup->isChecked())
        options.group = m_txtGroup->text();
    if (m_chkName->isChecked())
        options.prefix = m_txtName->text();
    return options;
}

} // namespace tq::favourites::ui
